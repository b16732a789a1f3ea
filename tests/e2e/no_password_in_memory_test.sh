#!/usr/bin/env bash
# Runs the built program under gdb and reads the buffers that hold its secrets, by their symbols:
# the output block, and in the system build the random source's one region (its key, keystream
# and indexes). Read at the passwords' write they hold them, so the reading is of the right
# memory; read at the process's last system call (exit_group) every byte must be zero, and the
# pages of each must be locked. Then a run whose source fails part way: the block it was filling
# is wiped too. Given the random source shim, the half key read before the source failed must be
# nowhere in the process's memory at exit.
#   usage: no_password_in_memory_test.sh path/to/tolvane path/to/tolvane_failing_source
#          [random_source_shim]
set -euo pipefail
program=$1
failing=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The buffers a program holds, with their sizes: "name size" a line.
buffers() {
  nm -CS "$1" | awk '$3 == "b" && / \(anonymous namespace\)::(block|secrets)$/ {
    name = $NF; sub(".*::", "", name); print name, $2 }' |
    while read -r name size; do echo "$name $((16#$size))"; done
}

# gdb's commands that dump each buffer into $work/<name>-<when>, and the smaps of the process.
dumps() {
  local when=$1 name size
  while read -r name size; do
    printf -- "-ex\nset \$at = (char*) &'(anonymous namespace)::%s'\n" "$name"
    printf -- "-ex\ndump binary memory %s \$at \$at + %d\n" "$work/$name-$when" "$size"
    printf -- "-ex\n| output/x (unsigned long) &'(anonymous namespace)::%s' | cat >%s\n" "$name" "$work/$name-at"
  done <"$work/buffers"
  printf -- "-ex\n| info proc | sed -n 's/^process //p' >%s\n" "$work/pid"
  printf -- "-ex\nshell cp /proc/\$(cat %s)/smaps %s\n" "$work/pid" "$work/smaps-$when"
}

zeros() { [[ $(tr -d '\0' <"$1" | wc -c) -eq 0 ]]; }

# Whether the mapping that holds address $1 is locked, in the smaps file $2: a lock splits a
# mapping, so a locked one is locked throughout.
locked() {
  local at=$1 field value holds=0 kb=0
  while read -r field value _; do
    if [[ $field =~ ^([0-9a-f]+)-([0-9a-f]+)$ ]]; then
      holds=$((16#${BASH_REMATCH[1]} <= at && at < 16#${BASH_REMATCH[2]}))
    elif [[ $field == Locked: && $holds == 1 ]]; then
      kb=$value
    fi
  done <"$2"
  [[ $kb -gt 0 ]]
}

buffers "$program" >"$work/buffers"
grep -q '^block ' "$work/buffers" || fail "no symbol for the output block"
if "$program" -v | grep -q '^Random source: operating system'; then
  grep -q '^secrets ' "$work/buffers" || fail "no symbol for the system source's secrets"
fi
mapfile -t at_write < <(dumps write)
mapfile -t at_exit < <(dumps exit)
# gdb finds each buffer by its ELF symbol, as nm did (--readnever): in a build with debugging
# information (-g, as Debian's packages build), optimising across files can leave a buffer's
# DWARF entry without an address, and gdb then reads nothing.
gdb -q -batch --readnever -ex 'break main' -ex "run -n40 -s24 -y > $work/out" -ex 'delete' \
  -ex 'catch syscall write' -ex 'continue' "${at_write[@]}" -ex 'delete' \
  -ex 'catch syscall exit_group' -ex 'continue' "${at_exit[@]}" \
  --args "$program" >"$work/gdb.log" 2>&1 || true
[[ $(wc -l <"$work/out") -eq 40 ]] || { cat "$work/gdb.log"; fail "$(wc -l <"$work/out") passwords"; }
while read -r name _; do
  for when in write exit; do
    [[ -s $work/$name-$when ]] || { cat "$work/gdb.log"; fail "$name not read at the $when"; continue 2; }
  done
  zeros "$work/$name-write" && fail "$name is all zeros at the passwords' write: not the buffer"
  zeros "$work/$name-exit" || fail "$name is not wiped at exit"
  # A process that is not dumpable shows its smaps to root alone; ProcessSettings reads how much
  # it locked, for any user.
  if [[ $EUID -eq 0 ]]; then
    locked "$(<"$work/$name-at")" "$work/smaps-exit" || fail "$name's pages are not locked"
  fi
  echo "$name: $(wc -c <"$work/$name-exit") bytes read at the passwords' write and at exit"
done <"$work/buffers"
head -n1 "$work/out" | tr -d '\n' >"$work/first"
LC_ALL=C grep -qaFf "$work/first" "$work/block-write" || fail "the block did not hold the first password"

# Each fill replaces the key with one drawn from it, through a copy on the stack, which is never
# locked and must be wiped: at the cipher's first call with a new key (the first 32 bytes of
# secrets), the stack just above it holds no copy of it. -n40 -s24 -y makes two fills. The
# arc4random stream's keys are the C library's.
if nm -D "$program" | grep -q ' U crypto_stream_chacha20_ietf$'; then
  cat >"$work/keys.gdb" <<EOF
break main
run -n40 -s24 -y > /dev/null
set \$calls = 0
break crypto_stream_chacha20_ietf
commands
silent
set \$calls = \$calls + 1
set \$key = (char*) &'(anonymous namespace)::secrets'
eval "dump binary memory $work/key-%d \$key \$key + 32", \$calls
eval "dump binary memory $work/stack-%d \$sp \$sp + 2048", \$calls
continue
end
continue
EOF
  gdb -q -batch --readnever -x "$work/keys.gdb" --args "$program" >"$work/gdb.log" 2>&1 || true
  hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }
  calls=0 replaced=0 last=
  for key in "$work"/key-*; do
    [[ -e $key ]] || break
    calls=$((calls + 1))
    # libsodium leaves the key it was given in its own dead frames: only the first call after a
    # replacement tells whether the copy that made the new key is gone.
    [[ $(hex "$key") != "$last" && -n $last ]] && replaced=$((replaced + 1)) &&
      [[ $(hex "${key/key-/stack-}") == *"$(hex "$key")"* ]] &&
      fail "a copy of the new key is on the stack at the cipher's call ${key##*-}"
    zeros "$key" || last=$(hex "$key")
  done
  ((replaced >= 1)) || { cat "$work/gdb.log"; fail "$calls calls, $replaced keys replaced: not read"; }
fi

# The failing source fails within a run's first blocks: the block it was filling when it failed
# was never written, and must be wiped all the same.
gdb -q -batch --readnever -ex 'catch syscall exit_group' -ex "run -n32767 -s32 > $work/failed" \
  -ex "set \$at = (char*) &'(anonymous namespace)::block'" \
  -ex "dump binary memory $work/failed-block \$at \$at + 65536" \
  --args "$failing" >"$work/gdb.log" 2>&1 || true
[[ -s $work/failed-block ]] || { cat "$work/gdb.log"; fail "the failing run's block not read"; }
[[ -s $work/failed && $(wc -l <"$work/failed") -lt 32767 ]] || fail "the failing source did not fail part way"
zeros "$work/failed-block" || fail "the block being filled when the source failed is not wiped"

# The shim's half key: its first 16 bytes, as the shim makes them (1, then each 5 times the last
# plus 3), none of them a newline.
if [[ -n ${3:-} ]]; then
  byte=1
  for _ in {1..16}; do
    printf "\\$(printf %03o "$byte")"
    byte=$(((byte * 5 + 3) % 256))
  done >"$work/half-key"
  gdb -q -batch -ex "set environment LD_PRELOAD $3" -ex 'set environment SHIM_MODE half_key' \
    -ex 'catch syscall exit_group' -ex "run -n3 > $work/none" -ex "gcore $work/key-core" \
    --args "$program" >"$work/gdb.log" 2>&1 || true
  [[ -s $work/key-core ]] || { cat "$work/gdb.log"; fail "no core of the half-key run"; }
  [[ $(wc -c <"$work/half-key") -eq 16 ]] || fail "the half key is not 16 bytes"
  if LC_ALL=C grep -qaFf "$work/half-key" "$work/key-core"; then
    fail "the half key is still in memory after the source failed"
  fi
fi
[[ $failures -eq 0 ]]
