#!/bin/sh
# Installs the build as the packages install it, under /usr below a folder of the test's own, then
# has the zsh script drive the completions there in real shells. The installs are of the one
# component, which writes its own manifest and record: a user's own install's, which the uninstall
# target reads, are left as they were, however the test ends.
#   usage: install_then_complete.sh root cmake build zsh completion_test.zsh
root=$1 cmake=$2 build=$3 zsh=$4 test=$5
rm -rf "$root"
DESTDIR=$root "$cmake" --install "$build" --prefix /usr --component Unspecified >/dev/null &&
  exec "$zsh" "$test" "$root" "$cmake" "$build"
