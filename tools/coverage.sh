#!/usr/bin/env bash
# Builds with clang's source-based coverage, runs every test, and prints line and branch coverage
# of the files of src/ that make each program: the exact (lcg) build's and the system build's
# (Linux's stream), in turn. Fails when a line is left unrun or
# branch coverage falls below 95% in either.
#   usage: tools/coverage.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-coverage}

# One tree builds and tests both sources; each is measured on its own programs, since the other
# source's compile the same files another way.
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_COVERAGE=ON \
  -DTOLVANE_RANDOM_SOURCE=system -DTOLVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null
rm -rf "$build/profiles"
mkdir -p "$build/profiles"
LLVM_PROFILE_FILE="$PWD/$build/profiles/%p.profraw" ctest --test-dir "$build" -j2 >/dev/null
llvm-profdata merge -sparse "$build"/profiles/*.profraw -o "$build/tests.profdata"

measure() {
  local source=$1 program=$build/tolvane files objects test
  [[ $source == lcg ]] && program=$build/tolvane_lcg
  # The files of src/ compiled into the program, as its coverage map names them: a file is
  # measured from the build that first links it in, with no list to forget it in.
  mapfile -t files < <(llvm-cov export -summary-only -instr-profile="$build/tests.profdata" \
    "$program" | grep -o '"filename":"[^"]*"' | cut -d'"' -f4 | grep -F "$PWD/src/" | sort -u)
  # The program and every test program of this source: each holds some of src/.
  objects=("$program")
  # Test programs named for the other source are its; those named for neither draw nothing.
  local other=lcg
  [[ $source == lcg ]] && other=system
  for test in "$build"/tests/tolvane_*; do
    [[ -x $test && -f $test && ${test##*/} != *"$other"* ]] && objects+=(-object "$test")
  done
  llvm-cov report "${objects[@]}" -instr-profile="$build/tests.profdata" \
    -show-branch-summary "${files[@]}" | tee "$build/coverage-$source.txt"

  # The TOTAL row: ... Lines Missed Cover Branches Missed Cover
  local line_missed branch_cover
  read -r line_missed branch_cover < <(awk '/^TOTAL/ { print $9, $13 }' "$build/coverage-$source.txt")
  echo "the $source build's src/: lines missed ${line_missed}, branch coverage ${branch_cover}"
  if [[ $line_missed != 0 ]] || awk -v b="${branch_cover%\%}" 'BEGIN { exit !(b < 95) }'; then
    echo "coverage goal missed in the $source build: every line and 95% of the branches" >&2
    llvm-cov show "${objects[@]}" -instr-profile="$build/tests.profdata" "${files[@]}" \
      -show-branches=count -region-coverage-lt=100 | grep -E '\|\s+0\||Branch \(.*: 0\]' |
      head -40 >&2
    return 1
  fi
}

status=0
measure lcg || status=1
measure system || status=1
exit $status
