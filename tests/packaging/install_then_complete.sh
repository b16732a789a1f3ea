#!/bin/sh
# Installs the build as the packages install it, under /usr below a folder of the test's own, then
# has the zsh script drive the completions there in real shells. The install writes its list of
# files where a user's own install left one, which the README has the user remove by: that list
# is put back as it was at the end, however the test ends (or none left where there was none).
#   usage: install_then_complete.sh root cmake build zsh completion_test.zsh
root=$1 cmake=$2 build=$3 zsh=$4 test=$5 manifest=$3/install_manifest.txt
trap 'if [ -e "$root.list" ]; then mv "$root.list" "$manifest"; else rm -f "$manifest"; fi' EXIT
rm -rf "$root" "$root.list"
[ ! -e "$manifest" ] || cp "$manifest" "$root.list"
DESTDIR=$root "$cmake" --install "$build" --prefix /usr >/dev/null && "$zsh" "$test" "$root" "$cmake" "$build"
