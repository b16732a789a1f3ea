# bash completion for tolvane: long option names (with "=" for the two that take a number) and
# the short option letters. A number goes right behind -s, -n, --size= or --number=, in the same
# word, so no space follows those.

_tolvane() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local long="--help --version --size= --number= --upper --upper-only --uppercase --upper-case
    --uppercase-only --upper-case-only --lower --lower-only --lowercase --lower-case
    --lowercase-only --lower-case-only --alpha --alpha-only --alphabetic --alphabetic-only
    --required --required-number --required-numeric --symbols --include_symbols
    --include-symbols --sequence --sequence-check"
  local short="-h -v -s -n -u -l -a -r -y -q"

  case $cur in
    --*) mapfile -t COMPREPLY < <(compgen -W "$long" -- "$cur") ;;
    -*) mapfile -t COMPREPLY < <(compgen -W "$short" -- "$cur") ;;
    *) mapfile -t COMPREPLY < <(compgen -W "$short" -- "-") ;;
  esac
  if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} =~ ^(-s|-n|--size=|--number=)$ ]]; then
    compopt -o nospace 2>/dev/null
  fi
}

complete -F _tolvane tolvane
