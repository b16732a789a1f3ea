#!/usr/bin/env bash
# The Debian package of a cross build, arm64 or s390x, installed by apt into a fresh Debian 12
# root of that architecture (mmdebstrap) and run there: dpkg's record of it, its banner, and two
# runs that must print different passwords. The root's programs, dpkg and apt included, run
# under qemu-user through binfmt_misc, so this machine must have the architecture's qemu
# registered there (qemu-user-static and binfmt-support do it where binfmt_misc is mounted).
# As root, with the cross build's packages of .ci/deps for that architecture, mmdebstrap and
# arch-test; the root's own packages come from Debian's mirror, and it takes some minutes. Not
# run by CI.
#   usage: packaging/try-in-debian.sh [arm64|s390x]
set -euo pipefail
cd "$(dirname "$0")/.."
source packaging/check-common.sh
arch=${1:-s390x}
case $arch in
  arm64) cpu=aarch64 ;;
  s390x) cpu=s390x ;;
  *) fail "usage: $0 [arm64|s390x]" ;;
esac
# Installing qemu-user-static registers it only where binfmt_misc is mounted and enabled.
binfmt=/proc/sys/fs/binfmt_misc
[[ -f $binfmt/status ]] ||
  fail "binfmt_misc is not mounted: as root, mount -t binfmt_misc binfmt_misc $binfmt"
grep -qx enabled "$binfmt/status" || fail "binfmt_misc is disabled: as root, echo 1 >$binfmt/status"
[[ -f $binfmt/qemu-$cpu ]] ||
  fail "binfmt_misc has no qemu-$cpu: apt-get install qemu-user-static binfmt-support"
grep -qx enabled "$binfmt/qemu-$cpu" ||
  fail "binfmt_misc's qemu-$cpu is disabled: as root, echo 1 >$binfmt/qemu-$cpu"
# Built as .ci/deb-cross builds it (dpkg-buildpackage -a), which checks its label.
.ci/deb-cross "$arch"
version=$(dpkg-parsechangelog -SVersion)
deb=$PWD/build-deb-$arch/tolvane_${version}_${arch}.deb
# The banner the build's configure named (random_source.txt: the stream, then the banner's name).
banner="Random source: $(sed -n 2p "build-deb-$arch/tolvane/obj-$(dpkg-architecture -a "$arch" -qDEB_HOST_GNU_TYPE)/random_source.txt")"
# The root is thrown away (/dev/null); each hook that fails stops mmdebstrap, and so this script.
# Each hook is a shell command of mmdebstrap's, whose $1 is the root.
# shellcheck disable=SC2016
mmdebstrap --variant=apt --architectures="$arch" \
  --customize-hook="copy-in '$deb' /tmp" \
  --customize-hook="chroot \"\$1\" apt-get install -y --no-install-recommends '/tmp/${deb##*/}'" \
  --customize-hook="chroot \"\$1\" dpkg-query -W -f '\${Package} \${Version} \${Architecture}\n' tolvane |
    grep -x 'tolvane ${version} $arch'" \
  --customize-hook='chroot "$1" uname -m' \
  --customize-hook="chroot \"\$1\" tolvane -v | tee \"\$1/tmp/banner\"
    grep -qxF '$banner' \"\$1/tmp/banner\"" \
  --customize-hook='chroot "$1" sh -c "first=\$(tolvane -n3 -s16); second=\$(tolvane -n3 -s16)
    printf \"%s\n\" \"\$first\" \"\$second\"; [ \"\$first\" != \"\$second\" ]"' \
  bookworm /dev/null
echo "tolvane ${version} ($arch) installed and ran in a Debian 12 root of $arch"
