#!/usr/bin/env bash
# Runs the built program under gdb, takes a core of it at its last system call (exit_group), and
# looks there for every ten characters running of every password it printed: none may be left in
# its memory, with the stack in two places. The system build's last key, read as the run ends,
# must be gone too. Then the same on the failure path: for the passwords of the block a failing
# source never let out, and, given the half-key shim, for the half key read before the source
# failed.
#   usage: no_password_in_memory_test.sh path/to/tolvane path/to/tolvane_failing_source
#          [half_key_shim]
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every ten characters running of the passwords in $1, one a line, for grep -f.
pieces() {
  awk '{ for (i = 1; i + 9 <= length($0); i++) print substr($0, i, 10) }' "$1"
}

left=0
symbols=$(nm -C "$program")
for draw in start start+16; do
  # What the code run at exit overwrites depends on where the stack starts: 16 bytes more in the
  # environment, which the program never reads, move it by 16.
  moved=()
  [[ $draw == *+16 ]] && moved=(-ex 'set environment STACK_MOVED_BY=0123456')
  # The system build's key as its last fill left it, read at the one write of the passwords, when
  # every fill is done and the run's end, which wipes it, is still to come.
  key=()
  grep -q ' (anonymous namespace)::key$' <<<"$symbols" &&
    key=(-ex 'catch syscall write' -ex 'continue' -ex "set \$key = (char*) &'(anonymous namespace)::key'"
      -ex "dump binary memory $work/key \$key \$key + 32" -ex 'delete')
  if "$program" -v | grep -q '^Random source: operating system (ChaCha20' && [[ ${#key[@]} -eq 0 ]]; then
    echo "FAIL: the system build's key has no symbol to read it by"
    exit 1
  fi
  # Where the key lies, and the process's mappings, as the run ends.
  key_page=()
  grep -q ' (anonymous namespace)::key$' <<<"$symbols" &&
    key_page=(-ex "| output/x (unsigned long) &'(anonymous namespace)::key' | cat >$work/key-at"
      -ex "| info proc | sed -n 's/^process //p' >$work/pid" -ex "shell cp /proc/\$(cat $work/pid)/smaps $work/smaps")
  rm -f "$work/key"
  gdb -q -batch "${moved[@]}" -ex 'break main' -ex "run -n40 -s24 -y > $work/out" -ex 'delete' \
    "${key[@]}" -ex 'catch syscall exit_group' -ex 'continue' -ex "gcore $work/core" "${key_page[@]}" \
    --args "$program" >"$work/gdb.log" 2>&1 || true
  [[ -s $work/core ]] || { cat "$work/gdb.log"; echo "FAIL: no core was taken"; exit 1; }
  # The core must show what the process holds: its stack, where its arguments lie to the end.
  grep -qF -- "-n40" "$work/core" || { echo "FAIL: no arguments in the core"; exit 1; }
  [[ $(wc -l <"$work/out") -eq 40 ]] || { echo "FAIL: $(wc -l <"$work/out") passwords printed"; exit 1; }
  pieces "$work/out" >"$work/pieces"
  found=$({ LC_ALL=C grep -aoFf "$work/pieces" "$work/core" || true; } | sort -u | wc -l)
  echo "stack at $draw: $found of $(wc -l <"$work/pieces") pieces of the 40 passwords still in memory at exit"
  left=$((left + found))
  if [[ ${#key_page[@]} -gt 0 ]]; then
    # The page that holds the key is locked, whatever locked it, so it never reaches swap.
    key_at=$(<"$work/key-at") holds=0 locked=0
    while read -r field value _; do
      if [[ $field =~ ^([0-9a-f]+)-([0-9a-f]+)$ ]]; then
        holds=$((16#${BASH_REMATCH[1]} <= key_at && key_at < 16#${BASH_REMATCH[2]}))
      elif [[ $field == Locked: && $holds == 1 ]]; then
        locked=$value
      fi
    done <"$work/smaps"
    echo "stack at $draw: the key's page locked: ${locked} kB"
    [[ $locked -gt 0 ]] || left=$((left + 1))
  fi
  if [[ ${#key[@]} -gt 0 ]]; then
    [[ $(wc -c <"$work/key") -eq 32 ]] || { cat "$work/gdb.log"; echo "FAIL: the key was not read"; exit 1; }
    # Its four quarters among the core's bytes, both written as hexadecimal pairs between spaces.
    od -An -v -tx1 "$work/core" | tr '\n' ' ' | tr -s ' ' >"$work/core.hex"
    for quarter in 0 8 16 24; do
      pattern=" $(od -An -v -tx1 -j$quarter -N8 "$work/key" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//') "
      if grep -qF -- "$pattern" "$work/core.hex"; then
        echo "stack at $draw: bytes $quarter to $((quarter + 8)) of the last key still in memory at exit"
        left=$((left + 1))
      fi
    done
  fi
done

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
