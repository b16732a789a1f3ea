#!/usr/bin/env bash
# The Debian package of the system build, built in two folders (build-pkg-1, build-pkg-2): the
# two identical byte for byte, its files as packaging/files.txt lists them, its control fields,
# its architecture that of its program, lintian silent even with -I --pedantic, its copyright
# file naming only paths the source has, its documents' links leading to files it holds, and
# hardening-check.
set -euo pipefail
cd "$(dirname "$0")/.."
source packaging/check-common.sh
build_packages DEB build-pkg-1 build-pkg-2
version=$(cat build-pkg-1/version.txt)
deb=build-pkg-1/tolvane_${version}-1_amd64.deb
cmp "$deb" "build-pkg-2/${deb#build-pkg-1/}"
echo "the two builds gave the same package: $(sha256sum "$deb")"
# As root (CI), lintian warns that it is; a packager who builds as root says so with --allow-root.
# Its notes and pedantic tags are quiet too: it prints nothing at all.
lintian -I --pedantic --fail-on error,warning $( ((EUID)) || echo --allow-root) "$deb" |
  tee build-pkg-1/lintian.txt
[[ ! -s build-pkg-1/lintian.txt ]] || fail "lintian -I --pedantic printed tags"

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
packaging/check-arch.sh "$deb"
check_copyright build-pkg-1/extracted/usr/share/doc/tolvane/copyright
check_links build-pkg-1/extracted
# The two checks above each refuse a tree planted with the fault they look for, and name it, so
# that their passing the package means something: a link to a file the tree lacks, beside one to
# a file it has; a "Files:" field whose second line names a path the source does not have.
bad=build-pkg-1/bad-tree
rm -rf "$bad" && mkdir -p "$bad/doc" && touch "$bad/doc/security.md"
printf '[Security](security.md), [Hacking](hacking.md)\n' >"$bad/doc/README.md"
if check_links "$bad" 2>"$bad/links.txt" || ! grep -q 'links hacking.md,' "$bad/links.txt"; then
  fail "check_links passed a link to a missing file, or did not name it"
fi
printf 'Files: LICENSE\n src/no-such-file.cc\nCopyright: 2026 the tolvane authors\nLicense: MIT\n' \
  >"$bad/copyright"
if check_copyright "$bad/copyright" 2>"$bad/copyright.txt" ||
  ! grep -q 'does not have: src/no-such-file.cc$' "$bad/copyright.txt"; then
  fail "check_copyright passed a path the source does not have, or did not name it"
fi
program=build-pkg-1/extracted/usr/bin/tolvane
# libsodium is the shared library, which dpkg-shlibdeps names with the version the build needs.
grep -Eq '^ Depends: .*libsodium23 \(>= [0-9.]+\)' build-pkg-1/deb-info.txt ||
  fail "the package does not depend on libsodium23"
# The control flow test cannot pass on Debian 12 for any program: its C library's start files
# (libc6-dev's Scrt1.o and crti.o) carry no CET property note, so the linker marks no program
# for IBT and shadow stacks, /usr/bin/ls included. Every other test must pass.
hardening-check --nocfprotection "$program"
readelf -S "$program" | grep -qF .comment && fail "the packaged program keeps its .comment section"
# hardening-check says "unknown" for stack clash protection with or without the flag; what the
# protection does is probe each page of a frame of a page or more as it is allocated. So no
# function of tolvane's own may allocate such a frame without a probe (a store to the stack).
objdump -d --no-show-raw-insn build-pkg-1/tolvane | awk '
  function hex(digits,   i, value) {
    value = 0
    for (i = 1; i <= length(digits); i++)
      value = value * 16 + index("0123456789abcdef", substr(digits, i, 1)) - 1
    return value
  }
  /^[0-9a-f]+ <.*>:$/ { fn = $2; gsub(/[<>:]/, "", fn) }
  /sub[q]? +\$0x[0-9a-f]+,%rsp/ {
    match($0, /\$0x[0-9a-f]+/)
    if (hex(substr($0, RSTART + 3, RLENGTH - 3)) >= 4096) large[fn] = 1
  }
  /or[q]?[ \t]+\$0x0,\(%rsp\)/ { probed[fn] = 1 }
  END { for (fn in large) if (!(fn in probed)) print fn }' |
  sed 's/\.\(part\|constprop\|isra\|cold\)\..*//' | sort -u | tee build-pkg-1/unprobed-frames.txt
[[ ! -s build-pkg-1/unprobed-frames.txt ]] ||
  fail "frames of a page or more without stack clash probes: $(tr '\n' ' ' <build-pkg-1/unprobed-frames.txt)"
# random_source.txt: the stream configure chose, and the name its banner gives.
{ read -r stream; read -r source_name; } <build-pkg-1/random_source.txt
[[ $stream == linux ]] && "$program" -v | grep -qxF "Random source: $source_name" ||
  fail "the packaged program is not the system build on libsodium's ChaCha20"
