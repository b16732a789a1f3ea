#!/usr/bin/env bash
# The Debian package of the system build, built in two folders (build-pkg-1, build-pkg-2): the
# two identical byte for byte, its files as packaging/files.txt lists them, its control fields,
# lintian with no error or warning, and hardening-check.
set -euo pipefail
cd "$(dirname "$0")/.."
source packaging/check-common.sh
build_packages DEB build-pkg-1 build-pkg-2
version=$(cat build-pkg-1/version.txt)
deb=build-pkg-1/tolvane_${version}-1_amd64.deb
cmp "$deb" "build-pkg-2/${deb#build-pkg-1/}"
echo "the two builds gave the same package: $(sha256sum "$deb")"
lintian --fail-on error,warning "$deb"

dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ { sub(/^\./, "", $6); print $6 }' | tee build-pkg-1/deb-files.txt
check_files deb build-pkg-1/deb-files.txt /usr
dpkg-deb -I "$deb" | tee build-pkg-1/deb-info.txt
for field in 'Package: tolvane' "Version: ${version}-1" 'Section: utils' \
  'Maintainer: the tolvane authors' 'Depends: libc6' 'Suggests: bash-completion' \
  'Description: print random passwords'; do
  grep -q "^ $field" build-pkg-1/deb-info.txt || fail "control lacks: $field"
done
head -1 packaging/debian/changelog | grep -qF "tolvane (${version}-1)" ||
  fail "packaging/debian/changelog does not start with ${version}-1"

rm -rf build-pkg-1/extracted
dpkg-deb -x "$deb" build-pkg-1/extracted
program=build-pkg-1/extracted/usr/bin/tolvane
# The control flow test needs every linked object built for it, and Debian 12's libsodium.a is
# not; every other test, the fortified reads among them, must pass.
hardening-check --nocfprotection "$program"
readelf -S "$program" | grep -qF .comment && fail "the packaged program keeps its .comment section"
# hardening-check says "unknown" for stack clash protection with or without the flag; the probe
# itself (a store to the stack after each page of a large frame) is what shows it. libsodium.a
# may have probes of its own, so the one looked for is in the generator's 64 KiB frame.
objdump -d --no-show-raw-insn -C build-pkg-1/tolvane |
  awk '/^[0-9a-f]+ <.*>:$/ { fn = $0 } /or[q]?[ \t]+\$0x0,\(%rsp\)/ { print fn }' |
  tee build-pkg-1/stack-probes.txt
grep -q 'generate_passwords' build-pkg-1/stack-probes.txt || fail "no stack clash probe in generate_passwords"
"$program" -v | grep -qx 'Random source: operating system (ChaCha20)' ||
  fail "the packaged program is not the system build on ChaCha20"
