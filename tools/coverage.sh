#!/usr/bin/env bash
# Builds with clang's source-based coverage, runs every test, and prints line and branch coverage
# of src/. Fails when a line of src/ is left unrun or branch coverage falls below 95%.
#   usage: tools/coverage.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-coverage}

CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_COVERAGE=ON \
  -DTOLVANE_RANDOM_SOURCE="${TOLVANE_RANDOM_SOURCE:-lcg}" \
  -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
rm -rf "$build/profiles"
mkdir -p "$build/profiles"
LLVM_PROFILE_FILE="$PWD/$build/profiles/%p.profraw" ctest --test-dir "$build" >/dev/null
llvm-profdata merge -sparse "$build"/profiles/*.profraw -o "$build/tests.profdata"

objects=("$build/tolvane")
for test in "$build"/tests/tolvane_tests "$build"/tests/tolvane_e2e_tests \
  "$build"/tests/tolvane_failing_source; do
  [[ -x $test ]] && objects+=(-object "$test")
done
llvm-cov report "${objects[@]}" -instr-profile="$build/tests.profdata" \
  -show-branch-summary "$PWD/src" | tee "$build/coverage.txt"

# The TOTAL row: ... Lines Missed Cover Branches Missed Cover
read -r line_missed branch_cover < <(awk '/^TOTAL/ { print $9, $13 }' "$build/coverage.txt")
echo "src/: lines missed ${line_missed}, branch coverage ${branch_cover}"
if [[ $line_missed != 0 ]] || awk -v b="${branch_cover%\%}" 'BEGIN { exit !(b < 95) }'; then
  echo "coverage goal missed: every line of src/ and at least 95% of its branches" >&2
  llvm-cov show "${objects[@]}" -instr-profile="$build/tests.profdata" "$PWD/src" \
    -show-branches=count -region-coverage-lt=100 | grep -E '\|\s+0\||Branch \(.*: 0\]' | head -40 >&2
  exit 1
fi
