#!/usr/bin/env bash
# Times tolvane against its floors, in pairs: the heaviest run (the most passwords, each as long as
# the limits allow, from the largest pool, with the sequence rule's redraws) against writing as many
# bytes with head, and one password against /bin/true, which starts and does nothing. Each pair runs
# the two programs in turn (bench/pair_time.c), and the figure is the median of the pairs' ratios,
# which a shared machine's drift moves far less than separate best times. Where valgrind is there,
# it also counts each run's instructions: the one figure such a machine does not move at all.
#   usage: bench/compare.sh [tolvane] [another tolvane] [pairs]
# Each program may be either build; its -v banner says which, and so which targets apply. Pass
# "-" for the second to time one build alone.
set -euo pipefail

first=${1:-build/tolvane}
second=${2:-build/tolvane_lcg}
pairs=${3:-40}
# The limits as the first program's help gives them ("-s<4-32>"): the most passwords, the longest.
limit() { "$first" -h | sed -n "s/^-$1<[0-9]*-\([0-9]*\)>.*/\1/p"; }
count=$(limit n) size=$(limit s)
bytes=$((count * (size + 1)))  # each line, and its newline
args=("-n$count" "-s$size" -y -q)
floor=(head -c "$bytes" /dev/zero)

programs=("$first")
[[ $second == - ]] || programs+=("$second")
for program in "${programs[@]}"; do
  [[ $("$program" "${args[@]}" | wc -c) -eq $bytes ]] || {
    echo "$program did not print $bytes bytes" >&2
    exit 1
  }
done

timer=$(mktemp -d)
trap 'rm -rf "$timer"' EXIT
cc -O2 -o "$timer/pair_time" "$(dirname "$0")/pair_time.c"

# Prints what was measured against its target and whether the target was met; never fails, so
# that a slow spell of a shared machine does not fail a build.
verdict() {
  awk -v what="$1" -v value="$2" -v limit="$3" 'BEGIN {
    printf "%s: %.2f (target: at most %s): %s\n", what, value, limit,
      value <= limit ? "met" : "NOT MET" }'
}

# "wall RATIO A B" and "cpu RATIO A B" from pair_time, as a sentence each.
report() {
  local what=$1 result=$2
  awk -v what="$what" -v pairs="$pairs" '{
    printf "  %s time: %.3f times (median of %d pairs; medians %d us and %d us)\n",
      $1 == "wall" ? "wall" : "processor", $2, pairs, $3, $4 }' <<<"$result"
}

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(uname -m), $(nproc) processors:" \
  "$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo 2>/dev/null || true)"
uptime
for program in "${programs[@]}"; do
  if "$program" -v | grep -q '^Random source: operating system'; then
    build=system heavy_limit=2.5
  else
    build=exact heavy_limit=3.5
  fi
  echo "$program ($build build)"
  heavy=$("$timer/pair_time" "$pairs" "$(command -v head)" -c "$bytes" /dev/zero -- \
    "$program" "${args[@]}")
  echo " ${args[*]} against ${floor[*]}:"
  report heavy "$heavy"
  verdict "  $program ${args[*]}, times the floor" "$(awk '/^wall/ { print $2 }' <<<"$heavy")" \
    "$heavy_limit"
  one=$("$timer/pair_time" "$pairs" /bin/true -- "$program")
  echo " one password against /bin/true:"
  report one "$one"
  verdict "  $program, one password, times /bin/true" "$(awk '/^wall/ { print $2 }' <<<"$one")" \
    1.3
  if command -v valgrind >/dev/null; then
    for run in "${args[*]}" ""; do
      # shellcheck disable=SC2086 # the arguments, split as given
      valgrind --tool=callgrind --callgrind-out-file=/dev/null "$program" $run 2>&1 >/dev/null |
        awk -v run="${run:-(one password)}" '/refs:/ { gsub(",", "", $NF);
          printf "  instructions, callgrind, %s: %d\n", run, $NF }'
    done
  fi
done
