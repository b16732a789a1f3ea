# bash completion for tolvane: long option names (with "=" for the two that take a number) and
# the short option letters. A number goes right behind -s, -n, --size= or --number=, in the same
# word, so no space follows those, and a word that already holds one is left as it is.

_tolvane() {
  # The word as the user sees it: bash splits it at "=" and ":" (COMP_WORDBREAKS), so that
  # "--size=12" would reach here as "12". bash-completion knows how to join it again; without
  # it, the text from the last blank to the cursor is the word.
  local cur
  if declare -F _get_comp_words_by_ref >/dev/null; then
    _get_comp_words_by_ref -n =: cur
  else
    cur=${COMP_LINE:0:COMP_POINT}
    cur=${cur##*[[:blank:]]}
  fi
  COMPREPLY=()

  local long="--help --version --size= --number= --upper --upper-only --uppercase --upper-case
    --uppercase-only --upper-case-only --lower --lower-only --lowercase --lower-case
    --lowercase-only --lower-case-only --alpha --alpha-only --alphabetic --alphabetic-only
    --required --required-number --required-numeric --symbols --include_symbols
    --include-symbols --sequence --sequence-check"
  local short="-h -v -s -n -u -l -a -r -y -q"
  case $cur in
    --*[=:]*) return ;;  # a value is being typed
    --*) mapfile -t COMPREPLY < <(compgen -W "$long" -- "$cur") ;;
    -* | "") mapfile -t COMPREPLY < <(compgen -W "$short" -- "${cur:--}") ;;
    *) return ;;  # not an option: the user's own word
  esac
  if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} =~ ^(-s|-n|--size=|--number=)$ ]]; then
    compopt -o nospace 2>/dev/null
  fi
}

complete -F _tolvane tolvane
