#!/usr/bin/env bash
# The RPM of the system build, built in two folders (build-pkg-1, build-pkg-2) as Fedora expects
# it: the same files, sizes, times and digests in both, built at SOURCE_DATE_EPOCH and every file
# dated it; its files as packaging/files.txt lists them, the licence as %license, its own changelog,
# not relocatable, its architecture that of its program, its documents' links leading to files it
# holds, and rpmlint with Fedora's settings with no error or warning.
set -euo pipefail
cd "$(dirname "$0")/.."
source packaging/check-common.sh
build_packages RPM build-pkg-1 build-pkg-2
version=$(cat build-pkg-1/version.txt)
rpm=build-pkg-1/tolvane-${version}-1.x86_64.rpm
rpm -qp --dump "$rpm" | tee build-pkg-1/rpm-dump.txt
rpm -qp --dump "build-pkg-2/${rpm#build-pkg-1/}" >build-pkg-2/rpm-dump.txt
diff build-pkg-1/rpm-dump.txt build-pkg-2/rpm-dump.txt || fail "two builds gave different RPMs"
[[ $(rpm -qp --qf '%{BUILDTIME}' "$rpm") == "$SOURCE_DATE_EPOCH" ]] ||
  fail "the build time is not SOURCE_DATE_EPOCH ($SOURCE_DATE_EPOCH)"
awk -v t="$SOURCE_DATE_EPOCH" '$3 != t { print "not dated SOURCE_DATE_EPOCH:", $1; bad = 1 }
  END { exit bad }' build-pkg-1/rpm-dump.txt

awk '$5 !~ /^040/ { print $1 }' build-pkg-1/rpm-dump.txt >build-pkg-1/rpm-files.txt
check_files rpm build-pkg-1/rpm-files.txt /usr
# A licence marked %license stays when documents are left out (tsflags=nodocs).
rpm -qp --licensefiles "$rpm" | grep -qx /usr/share/licenses/tolvane/LICENSE ||
  fail "the RPM has no %license file"
# rpm -e takes away the folders it owns, left empty: the completions' own.
for folder in /usr/share/zsh/site-functions /usr/share/fish/vendor_completions.d \
  /usr/share/bash-completion/completions /usr/share/licenses/tolvane /usr/share/doc/tolvane; do
  grep -q "^$folder .* 040755 " build-pkg-1/rpm-dump.txt || fail "the RPM does not own $folder"
done
[[ $(rpm -qp --qf '%{PREFIXES}' "$rpm") == "(none)" ]] || fail "the RPM is relocatable"
packaging/check-arch.sh "$rpm"
rpm -qp --changelog "$rpm" | tee build-pkg-1/rpm-changelog.txt
head -1 build-pkg-1/rpm-changelog.txt | grep -q "tolvane authors .* - ${version}-1$" ||
  fail "the RPM's changelog is not the project's own for ${version}-1"
# The package's files unpacked: its documents' links, and the packaged program itself, run from
# there: the build for real secrets.
rm -rf build-pkg-1/rpm-root && mkdir build-pkg-1/rpm-root
(cd build-pkg-1/rpm-root && rpm2cpio "../${rpm#build-pkg-1/}" | cpio -idm --quiet)
check_links build-pkg-1/rpm-root
build-pkg-1/rpm-root/usr/bin/tolvane -v | grep -q '^Random source: operating system (' ||
  fail "the RPM's program is not the system build"
# libsodium is the shared library: rpmbuild's own requirement on it, which Fedora's libsodium
# provides.
rpm -qpR "$rpm" | grep -q '^libsodium\.so\.[0-9]*()' || fail "the RPM does not require libsodium"
rpm -qip "$rpm" | tee build-pkg-1/rpm-info.txt
for field in 'Summary     : Print random passwords' 'License     : MIT' \
  "Version     : ${version}" 'URL         : https://' 'Packager    : the tolvane authors'; do
  grep -q "^$field" build-pkg-1/rpm-info.txt || fail "RPM header lacks: $field"
done
# Debian's rpmlint has openSUSE's settings; the file gives Fedora's, and why it filters what it does.
rpmlint -c packaging/rpmlint-fedora.toml "$rpm" | tee build-pkg-1/rpmlint.txt || true
grep -q ' packages and 0 specfiles checked; 0 errors, 0 warnings' build-pkg-1/rpmlint.txt ||
  fail "rpmlint reports errors or warnings, or did not run"
exit 0
