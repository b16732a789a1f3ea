#!/usr/bin/env bash
# Each package given (.deb or .rpm) is labelled with the architecture its program runs on:
# dpkg and rpm install a package by its label alone, so a cross-built program labelled with the
# build machine's would go onto a machine that cannot run it. The label is read from the
# package's header, the program's machine, word size and byte order from its ELF header.
#   usage: packaging/check-arch.sh PACKAGE...
set -euo pipefail
source "$(dirname "$0")/check-common.sh"
(($#)) || fail "usage: $0 PACKAGE..."
# What readelf -h says of a program built for each architecture, by Debian's and RPM's names.
elf_of() {
  case $1 in
    amd64 | x86_64) echo "ELF64 little endian Advanced Micro Devices X86-64" ;;
    i386 | i686) echo "ELF32 little endian Intel 80386" ;;
    arm64 | aarch64) echo "ELF64 little endian AArch64" ;;
    s390x) echo "ELF64 big endian IBM S/390" ;;
    *) return 1 ;;
  esac
}
program=$(mktemp)
trap 'rm -f "$program"' EXIT
status=0
for package in "$@"; do
  case $package in
    *.deb)
      arch=$(dpkg-deb -f "$package" Architecture)
      dpkg-deb --fsys-tarfile "$package" | tar -xOf - ./usr/bin/tolvane >"$program"
      ;;
    *.rpm)
      arch=$(rpm -qp --qf '%{ARCH}' "$package")
      rpm2cpio "$package" | cpio -i --quiet --to-stdout ./usr/bin/tolvane >"$program"
      ;;
    *) fail "neither a .deb nor an .rpm: $package" ;;
  esac
  [[ -s $program ]] || fail "$package holds no usr/bin/tolvane"
  elf=$(readelf -h "$program" | awk -F': *' '
    $1 ~ /^ *Class$/ { class = $2 }
    $1 ~ /^ *Data$/ { sub(/.*, /, "", $2); data = $2 }
    $1 ~ /^ *Machine$/ { machine = $2 }
    END { print class, data, machine }')
  want=$(elf_of "$arch") || fail "$package: no ELF machine known for its architecture $arch"
  if [[ $elf == "$want" ]]; then
    echo "$package: $arch, and its program is $elf"
  else
    echo "$package is labelled $arch ($want), but its program is $elf" >&2
    status=1
  fi
done
exit $status
