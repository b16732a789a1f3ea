#!/usr/bin/env bash
# Loads the bash completion as bash-completion would, and checks what it offers.
#   usage: bash_completion_test.sh path/to/completion
set -u
source "$1"

# Outside a real completion compopt only complains; this one notes what it was asked.
compopt() { [[ $* == "-o nospace" ]] && nospace=" (no space)"; }

failures=0
expect() {
  local want=$1
  shift
  COMP_WORDS=(tolvane "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  nospace=""
  _tolvane
  local got="${COMPREPLY[*]}$nospace"
  if [[ $got == "$want" ]]; then
    echo "ok: tolvane $* -> $got"
  else
    echo "FAIL: tolvane $*: offered '$got', expected '$want'"
    failures=$((failures + 1))
  fi
}

registered=$(complete -p tolvane 2>&1)
if [[ $registered != "complete -F _tolvane tolvane" ]]; then
  echo "FAIL: complete -p tolvane says: $registered"
  failures=$((failures + 1))
fi

expect "--upper --upper-only --uppercase --upper-case --uppercase-only --upper-case-only" --up
expect "--size= --symbols --sequence --sequence-check" --s
expect "--size= (no space)" --si
expect "--include_symbols --include-symbols" --inc
expect "" --x
expect "-h -v -s -n -u -l -a -r -y -q" -
expect "-q" -q
expect "-s (no space)" -s
expect "-n (no space)" -n
expect "--sequence --sequence-check" --seq
expect "-h -v -s -n -u -l -a -r -y -q" ""
expect "--number= (no space)" -s12 --nu

echo "$failures failed"
[[ $failures -eq 0 ]]
