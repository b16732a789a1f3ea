#!/usr/bin/env bash
# Builds the fuzz target with clang, ASan and UBSan, and fuzzes the command line for a bounded
# time, starting from the committed corpus. Any finding fails the run.
#   usage: fuzz/run.sh [seconds] [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}

CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_FUZZ=ON \
  -DTOLVANE_WERROR=ON -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target tolvane_fuzz >/dev/null

# New inputs go to a scratch folder, so the committed corpus changes only by hand.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/fuzz/tolvane_fuzz" -max_total_time="$seconds" -dict=fuzz/options.dict \
  -print_final_stats=1 -artifact_prefix="$build/" "$work" fuzz/corpus 2>&1 |
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::|ERROR|SUMMARY|invariant'
