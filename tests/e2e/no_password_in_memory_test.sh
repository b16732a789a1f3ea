#!/usr/bin/env bash
# Runs the built program under gdb, takes a core of it at its last system call (exit_group), and
# looks there for every password it printed: none may be left in its memory. Then the same on
# the failure path: for the passwords of the block a failing source never let out, and, given
# the half-key shim, for the half key read before the source failed.
#   usage: no_password_in_memory_test.sh path/to/tolvane path/to/tolvane_failing_source [shim]
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

# The failing source draws the same passwords in every run, so a shorter run that ends in time
# prints those of the block the failing run was filling when it failed.
failing=$2
gdb -q -batch -ex 'catch syscall exit_group' -ex "run -n32767 -s32 > $work/failed" \
  -ex "gcore $work/failed-core" --args "$failing" >"$work/gdb.log" 2>&1 || true
[[ -s $work/failed-core ]] || { cat "$work/gdb.log"; echo "FAIL: no core of the failing run"; exit 1; }
written=$(wc -l <"$work/failed")
"$failing" -n$((written + 40)) -s32 | tail -n 40 >"$work/unwritten"
[[ $(wc -l <"$work/unwritten") -eq 40 ]] || { echo "FAIL: no passwords of the unwritten block"; exit 1; }
while IFS= read -r password; do
  if grep -qF -- "$password" "$work/failed-core"; then
    echo "still in memory after the source failed: $password"
    left=$((left + 1))
  fi
done <"$work/unwritten"

# The shim's half key: its 16 bytes, none of them a newline, as the shim makes them.
if [[ -n ${3:-} ]]; then
  gdb -q -batch -ex "set environment LD_PRELOAD $3" -ex 'catch syscall exit_group' \
    -ex "run -n3 > $work/none" -ex "gcore $work/key-core" --args "$program" >"$work/gdb.log" 2>&1 || true
  [[ -s $work/key-core ]] || { cat "$work/gdb.log"; echo "FAIL: no core of the half-key run"; exit 1; }
  half_key=$(printf '\x01\x08\x2b\xda\x45\x5c\xcf\x0e\x49\x70\x33\x02\x0d\x44\x57\xb6')
  if LC_ALL=C grep -qaF -- "$half_key" "$work/key-core"; then
    echo "the half key is still in memory after the source failed"
    left=$((left + 1))
  fi
fi
[[ $left -eq 0 ]]
