#!/usr/bin/env bash
# Runs the built program under gdb, takes a core of it at its last system call (exit_group), and
# looks there for every password it printed: none may be left in its memory.
#   usage: no_password_in_memory_test.sh path/to/tolvane
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

gdb -q -batch -ex 'catch syscall exit_group' -ex "run -n40 -s24 -y > $work/out" \
  -ex "gcore $work/core" --args "$program" >"$work/gdb.log" 2>&1 || true
[[ -s $work/core ]] || { cat "$work/gdb.log"; echo "FAIL: no core was taken"; exit 1; }
# The core must show what the process holds: its stack, where its arguments lie to the end.
grep -qF -- "-n40" "$work/core" || { echo "FAIL: no arguments in the core"; exit 1; }
[[ $(wc -l <"$work/out") -eq 40 ]] || { echo "FAIL: $(wc -l <"$work/out") passwords printed"; exit 1; }

left=0
while IFS= read -r password; do
  if grep -qF -- "$password" "$work/core"; then
    echo "still in memory at exit: $password"
    left=$((left + 1))
  fi
done <"$work/out"
echo "$left of 40 passwords still in memory at exit"
[[ $left -eq 0 ]]
