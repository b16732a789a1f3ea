#!/usr/bin/env bash
# Times the heaviest run tolvane can make against copying the same number of bytes, side by
# side, and counts its instructions per output byte with callgrind when valgrind is there.
#   usage: bench/compare.sh [path/to/tolvane] [runs]
set -euo pipefail

tolvane=${1:-build/tolvane}
runs=${2:-30}
bytes=1081311  # 32767 lines of 32 characters and a newline

# Best of several runs, in microseconds: the floor a busy machine cannot inflate.
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

[[ $("$tolvane" -n32767 -s32 -y -q | wc -c) -eq $bytes ]] || {
  echo "tolvane did not print $bytes bytes" >&2
  exit 1
}

copy=$(best_of head -c "$bytes" /dev/zero)
run=$(best_of "$tolvane" -n32767 -s32 -y -q)
echo "head -c $bytes /dev/zero >/dev/null:          ${copy} us (best of $runs)"
echo "tolvane -n32767 -s32 -y -q >/dev/null:       ${run} us (best of $runs)"
awk -v r="$run" -v c="$copy" 'BEGIN { printf "ratio to the byte-copy floor:               %.2f (target: at most 2.5)\n", r / c }'

if command -v valgrind >/dev/null; then
  out=$(mktemp)
  valgrind --tool=callgrind --callgrind-out-file="$out" "$tolvane" -n32767 -s32 -y -q \
    2>&1 >/dev/null | awk '/refs:/ { gsub(",", "", $NF); print $NF }' >"$out.ir"
  awk -v b="$bytes" '{ printf "instructions: %d, per output byte: %.2f (target: at most 22)\n", $1, $1 / b }' "$out.ir"
  rm -f "$out" "$out.ir"
fi
