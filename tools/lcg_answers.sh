#!/usr/bin/env bash
# Rewrites the answers pinned in tests/lcg_answers.h from what the exact (clock-seeded) program of
# a commit prints under libfaketime, and shows what changed. Exits 1 when an answer changed:
# "tools/lcg_answers.sh <commit>" passes when the tests pin just what that commit printed.
#   usage: tools/lcg_answers.sh [commit]   (HEAD when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
commit=${1:-HEAD}
file=tests/lcg_answers.h
faketime=
for dir in "/usr/lib/$(uname -m)-linux-gnu/faketime" /usr/lib64/faketime /usr/lib/faketime; do
  [[ -z $faketime && -f $dir/libfaketime.so.1 ]] && faketime=$dir/libfaketime.so.1
done
[[ -n $faketime ]] || { echo "libfaketime not found: apt-get install libfaketime" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tree"
git archive "$commit" | tar -x -C "$work/tree"
cmake -S "$work/tree" -B "$work/build" -DTOLVANE_RANDOM_SOURCE=lcg -DTOLVANE_BUILD_TESTS=OFF \
  -DTOLVANE_BUILD_BENCH=OFF >/dev/null 2>&1
cmake --build "$work/build" -j2 --target tolvane >/dev/null

# What the program prints with the clock frozen at instant $1 (UTC), given the arguments after it;
# a run that fails stops the script.
at() {
  LD_PRELOAD=$faketime FAKETIME_DISABLE_SHM=1 TZ=UTC FAKETIME=$1 "$work/build/tolvane" "${@:2}"
}

# cksum's CRC, in hex, of what the program prints at seed 1 with the flags byte $1 (hex) set by
# its options, as tests/gen/generator_lcg_test.cc digests it.
digest() {
  local flags=$((16#$1)) bit=1 letter size args=()
  for letter in u l a y q r; do
    ((flags & bit)) && args+=("-$letter")
    bit=$((bit * 2))
  done
  for size in {4..32}; do
    at "1972-08-02 11:52:58.625" "-s$size" -n200 "${args[@]}"
  done >"$work/out"
  # 65536 / 33 = 1985 lines of 32 characters fill the first block: three more cross its end.
  at "1972-08-02 11:52:58.625" -s32 -n1988 "${args[@]}" >>"$work/out"
  printf '%08X' "$(cksum <"$work/out" | cut -d' ' -f1)"
}

run_row='^( *\{"([^"]*)", "([^"]*)", ")[^"]*("\},)$'
while IFS= read -r line; do
  if [[ $line =~ $run_row ]]; then
    head=${BASH_REMATCH[1]} instant=${BASH_REMATCH[2]} words=${BASH_REMATCH[3]}
    tail=${BASH_REMATCH[4]}
    # shellcheck disable=SC2086 # the arguments are split at spaces, as the test splits them
    out=$(at "$instant" $words && echo .)
    out=${out%.}
    line=$head${out//$'\n'/'\n'}$tail
  elif [[ $line =~ ^\ *\{0x[0-9A-F]{2},\ 0x ]]; then
    row="   "
    while read -r flags; do
      row+=" {0x$flags, 0x$(digest "$flags")u},"
    done < <(grep -o '{0x[0-9A-F]*' <<<"$line" | cut -c4-)
    line=$row
  fi
  printf '%s\n' "$line"
done <"$file" >"$work/answers.h"

if diff -u --label "a/$file" --label "b/$file" "$file" "$work/answers.h"; then
  echo "every answer in $file is what $commit prints"
else
  cp "$work/answers.h" "$file"
  echo "$file rewritten with what $commit prints" >&2
  exit 1
fi
