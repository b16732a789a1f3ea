#!/usr/bin/env bash
# The source package of the last commit built in a fresh Debian 12 root made for that build alone
# (mmdebstrap's buildd variant: essential packages and build-essential), into which apt installs
# debian/control's Build-Depends and nothing else; the package is then built there as a user who
# is not root, as Debian's build machines build. A dependency the build needs that
# debian/control does not name fails here. The .dsc, the .deb and the build's log come out into
# build-debian12. As root, with mmdebstrap; the root's packages come from Debian's mirror, and
# it takes some minutes. Not run by CI.
#   usage: packaging/build-in-debian.sh [DEB_BUILD_OPTIONS]   (e.g. nocheck)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build-debian12
rm -rf "$out" && mkdir -p "$out/src"
git clone -q . "$out/src/tolvane"
(cd "$out/src" && dpkg-source -b tolvane >/dev/null)
dsc=$(cd "$out/src" && echo tolvane_*.dsc)
# The root is thrown away (/dev/null); each hook that fails stops mmdebstrap, and so this script.
# Each hook is a shell command of mmdebstrap's, whose $1 is the root. mmdebstrap's own /dev/pts
# gives every new terminal to one user (uid=5), whom the build's user is not, so the completion
# tests could open none: the build gets a /dev/pts of its own, as sbuild gives it.
# shellcheck disable=SC2016
mmdebstrap --variant=buildd \
  --customize-hook='mkdir "$1/build"' \
  --customize-hook="copy-in '$out/src/$dsc' '$out/src/${dsc%.dsc}.tar.xz' /build" \
  --customize-hook="chroot \"\$1\" sh -ec 'cd /build && dpkg-source -x $dsc tolvane &&
    apt-get build-dep -y --no-install-recommends ./tolvane &&
    useradd --create-home builder && chown -R builder /build'" \
  --customize-hook="mount -t devpts -o newinstance,gid=5,mode=620,ptmxmode=666 devpts \"\$1/dev/pts\"
    chroot \"\$1\" runuser -u builder -- sh -c 'cd /build/tolvane &&
      DEB_BUILD_OPTIONS=\"${1:-}\" dpkg-buildpackage -us -uc -j2 >/build/build.log 2>&1'
    status=\$?; umount \"\$1/dev/pts\"; cp \"\$1/build/build.log\" '$out/'; exit \$status" \
  --customize-hook="sync-out /build '$out/packages'" \
  bookworm /dev/null
ls "$out/packages"/*.deb
echo "built in a Debian 12 root holding only build-essential and debian/control's Build-Depends"
