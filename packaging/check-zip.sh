#!/usr/bin/env bash
# The Windows zip of a cross build (default build-windows, packed with cpack -G ZIP): its files,
# its README's links and names, and the program run from it under Wine, its bytes compared with
# CR LF line ends.
#   usage: packaging/check-zip.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
source packaging/check-common.sh
build=${1:-build-windows}
[[ -f $build/version.txt ]] ||
  fail "no cross build in $build: run .ci/windows first (or: cmake --preset windows && cmake --build --preset windows && (cd build-windows && cpack -G ZIP))"
version=$(cat "$build/version.txt")
name=tolvane-${version}-win64
unzip -l "$build/$name.zip" | tee "$build/zip-contents.txt"
# These files and no other (the tests' own program stays out).
unzip -Z1 "$build/$name.zip" | grep -v '/$' | sort >"$build/zip-files.txt"
printf "$name/%s\n" LICENSE README.md output.md security.md tolvane.exe tolvane.txt | sort |
  diff - "$build/zip-files.txt" || fail "the zip's files are not the program and its documents"
rm -rf "$build/unzipped"
unzip -q "$build/$name.zip" -d "$build/unzipped"
check_links "$build/unzipped"
# Its README names the manual the zip holds, and no file it does not: no man page, no source tree.
readme=$build/unzipped/$name/README.md
grep -qF '](tolvane.txt)' "$readme" || fail "the zip's README does not link tolvane.txt"
if grep -nE 'man tolvane|doc/|packaging/|build[-/]|\.deb|\.rpm' "$readme"; then
  fail "the zip's README names files that the zip does not hold"
fi
wine() {
  WINEDEBUG=-all WINEPREFIX="$PWD/$build/wineprefix" /usr/lib/wine/wine64 \
    "$build/unzipped/$name/tolvane.exe" "$@"
}
# Bytes as the console gets them: every line ends in CR LF, so a program that lost text mode fails.
wine -v >"$build/banner.txt"
cat -A "$build/banner.txt"
# random_source.txt: the stream configure chose, and the name its banner gives.
{ read -r stream; read -r source_name; } <"$build/random_source.txt"
[[ $stream == win32 ]] && grep -qxF "Random source: $source_name"$'\r' "$build/banner.txt" ||
  fail "the zip's program is not the system build on BCryptGenRandom"
[[ $(grep -c $'\r$' "$build/banner.txt") -eq $(wc -l <"$build/banner.txt") ]] ||
  fail "a banner line does not end in CR LF"
wine -n3 -s20 >"$build/passwords.txt"
[[ $(wc -c <"$build/passwords.txt") -eq $((3 * 22)) ]] || fail "not 3 lines of 20 and CR LF"
grep -Ecx $'[A-Za-z0-9]{20}\r' "$build/passwords.txt" | grep -qx 3 || fail "not 3 passwords"
