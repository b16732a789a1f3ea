#!/usr/bin/env bash
# Times the heaviest run tolvane can make, in the default build and the build on the system's
# random source, side by side against copying the same number of bytes, and counts their
# instructions per output byte with callgrind when valgrind is there.
#   usage: bench/compare.sh [default-tolvane] [system-tolvane] [runs]
# Pass "-" as the system program to time the default build alone.
set -euo pipefail

default=${1:-build/tolvane}
system=${2:-build-system/tolvane}
runs=${3:-30}
bytes=1081311  # 32767 lines of 32 characters and a newline
args=(-n32767 -s32 -y -q)

# Best of several runs, in microseconds: the floor a busy machine cannot inflate. Each time
# includes starting the date command that stops the clock, for the copy and tolvane alike.
best_of() {
  local best= start end took
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    took=$(((end - start) / 1000))
    if [[ -z $best || $took -lt $best ]]; then best=$took; fi
  done
  echo "$best"
}

programs=("$default")
[[ $system == - ]] || programs+=("$system")
for program in "${programs[@]}"; do
  [[ $("$program" "${args[@]}" | wc -c) -eq $bytes ]] || {
    echo "$program did not print $bytes bytes" >&2
    exit 1
  }
done

# Interleaved, so that a slow spell of the machine touches all three alike.
copy= ; declare -A took
for ((round = 0; round < 3; round++)); do
  t=$(best_of head -c "$bytes" /dev/zero)
  [[ -z $copy || $t -lt $copy ]] && copy=$t
  for program in "${programs[@]}"; do
    t=$(best_of "$program" "${args[@]}")
    [[ -z ${took[$program]:-} || $t -lt ${took[$program]} ]] && took[$program]=$t
  done
done

# Prints what was measured against its target and whether the target was met; never fails, so
# that a slow spell of a shared machine does not fail a build.
verdict() {
  awk -v what="$1" -v value="$2" -v limit="$3" 'BEGIN {
    printf "%s: %.2f (target: at most %s): %s\n", what, value, limit,
      value <= limit ? "met" : "NOT MET" }'
}

echo "head -c $bytes /dev/zero >/dev/null: ${copy} us (best of $((3 * runs)))"
limit=2.5
for program in "${programs[@]}"; do
  echo "$program ${args[*]} >/dev/null: ${took[$program]} us"
  verdict "$program, times the copy" "$(awk -v r="${took[$program]}" -v c="$copy" \
    'BEGIN { print r / c }')" "$limit"
  limit=2.2  # the system build's
done
if [[ $system != - ]]; then
  verdict "system / default" "$(awk -v s="${took[$system]}" -v d="${took[$default]}" \
    'BEGIN { print s / d }')" 1.3
fi

# The shell's timer above adds the start of a date command to every figure, which narrows every
# ratio; where a C compiler is at hand, the same runs timed on their own.
if command -v cc >/dev/null; then
  timer=$(mktemp -d)
  cc -O2 -o "$timer/spawn_time" "$(dirname "$0")/spawn_time.c"
  copy_alone=$("$timer/spawn_time" $((10 * runs)) "$(command -v head)" -c "$bytes" /dev/zero)
  echo "timed alone (best of $((10 * runs))): head -c $bytes /dev/zero: ${copy_alone} us"
  declare -A alone
  for program in "${programs[@]}"; do
    alone[$program]=$("$timer/spawn_time" $((10 * runs)) "$program" "${args[@]}")
    awk -v p="$program" -v r="${alone[$program]}" -v c="$copy_alone" 'BEGIN {
      printf "timed alone: %s: %d us, %.2f times the copy\n", p, r, r / c }'
  done
  if [[ $system != - ]]; then
    awk -v s="${alone[$system]}" -v d="${alone[$default]}" 'BEGIN {
      printf "timed alone: system / default: %.2f\n", s / d }'
  fi
  rm -rf "$timer"
fi

if command -v valgrind >/dev/null; then
  counts=$(mktemp)
  for program in "${programs[@]}"; do
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$program" "${args[@]}" 2>&1 \
      >/dev/null | awk -v b="$bytes" -v p="$program" '/refs:/ { gsub(",", "", $NF);
        printf "%s: %d instructions, %.2f per output byte\n", p, $NF, $NF / b }' |
      tee "$counts"
    if [[ $program == "$default" ]]; then
      verdict "$program, instructions per output byte" \
        "$(awk '{ print $(NF - 3) }' "$counts")" 22
    fi
  done
  rm -f "$counts"
fi
