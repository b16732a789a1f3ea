#!/usr/bin/env bash
# Each package given (.deb or .rpm) is labelled, in its own format's names, with the machine that
# every program in it runs on. dpkg and rpm hold the label against the machine installing it and
# never look at the programs: a cross-built program labelled with the build machine's would go
# where it cannot run. Each format has its own name for a machine (dpkg refuses a .deb labelled
# x86_64, rpm knows no amd64). The label is read from the package's header; each program's machine,
# word size and byte order from its ELF header, for every entry of the archive: a .deb holding one
# path twice would have its first copy checked and its last installed.
#   usage: packaging/check-arch.sh PACKAGE...
set -euo pipefail
source "$(dirname "$0")/check-common.sh"
(($#)) || fail "usage: $0 PACKAGE..."
# What readelf -h says of a program built for each machine, by the format's own name for it.
elf_of() {
  case $1 in
    deb:amd64 | rpm:x86_64) echo "ELF64 little endian Advanced Micro Devices X86-64" ;;
    deb:i386 | rpm:i686) echo "ELF32 little endian Intel 80386" ;;
    deb:arm64 | rpm:aarch64) echo "ELF64 little endian AArch64" ;;
    deb:s390x | rpm:s390x) echo "ELF64 big endian IBM S/390" ;;
    *) return 1 ;;
  esac
}
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
status=0
for package in "$@"; do
  rm -rf "${tree:?}"/* && mkdir "$tree/root"
  # Every entry extracted: a path met again keeps the copy before it as path.~N~.
  case $package in
    *.deb)
      format=deb arch=$(dpkg-deb -f "$package" Architecture)
      dpkg-deb --fsys-tarfile "$package" | tar -x --backup=numbered -C "$tree/root"
      ;;
    *.rpm)
      format=rpm arch=$(rpm -qp --qf '%{ARCH}' "$package")
      rpm2cpio "$package" | (cd "$tree/root" && cpio -id --quiet --no-absolute-filenames)
      ;;
    *) fail "neither a .deb nor an .rpm: $package" ;;
  esac
  want=$(elf_of "$format:$arch") || fail "$package: no machine known for the $format label $arch"
  programs=0
  while IFS= read -r -d '' file; do
    cmp -s -n4 "$file" <(printf '\177ELF') || continue
    programs=$((programs + 1))
    elf=$(readelf -h "$file" | awk -F': *' '
      $1 ~ /^ *Class$/ { class = $2 }
      $1 ~ /^ *Data$/ { sub(/.*, /, "", $2); data = $2 }
      $1 ~ /^ *Machine$/ { machine = $2 }
      END { print class, data, machine }')
    name=${file#"$tree/root"} && name=${name%.~*~}
    if [[ $elf == "$want" ]]; then
      echo "$package: $arch, and $name is $elf"
    else
      echo "$package is labelled $arch ($want), but $name is $elf" >&2
      status=1
    fi
  done < <(find "$tree/root" -type f -print0)
  ((programs)) || fail "$package holds no program"
done
exit $status
