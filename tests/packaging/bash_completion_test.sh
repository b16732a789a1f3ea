#!/usr/bin/env bash
# Loads the bash completion as bash-completion would, and checks what it offers.
#   usage: bash_completion_test.sh path/to/completion
set -u
source "$1"

failures=0
expect() {
  local want=$1
  shift
  COMP_WORDS=(tolvane "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _tolvane
  local got="${COMPREPLY[*]}"
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
expect "--size=" --si
expect "--include_symbols --include-symbols" --inc
expect "" --x
expect "-h -v -s -n -u -l -a -r -y -q" -
expect "-q" -q
expect "-h -v -s -n -u -l -a -r -y -q" ""
expect "--number=" -s12 --nu

echo "$failures failed"
[[ $failures -eq 0 ]]
