#!/bin/sh
# `make install` installs what `make` built and builds nothing: run as root after a user's build
# it must leave no root-owned build products behind (a re-run cmake, a rebuilt program).
# Usage: make-install.sh <source folder> <build folder>
set -eu
src=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Nothing built: it says to build first, and makes nothing.
mkdir "$work/empty"
if make -s -C "$src" install BUILD="$work/empty" DESTDIR="$work/stage1" >"$work/out" 2>&1; then
  fail "install without a build succeeded"
fi
grep -q "run 'make' first" "$work/out" || fail "no hint to build first: $(cat "$work/out")"
[ -z "$(ls -A "$work/empty")" ] || fail "install wrote into an empty build folder: $(ls -A "$work/empty")"
[ ! -e "$work/stage1" ] || fail "install without a build installed something"

# Built: installs, and neither configures nor builds again.
before=$(stat -c %Y:%s "$build/CMakeCache.txt" "$build/tonewright" "$build/Makefile")
sleep 1
make -s -C "$src" install BUILD="$build" DESTDIR="$work/stage2" PREFIX=/usr >"$work/out" 2>&1 ||
  fail "install failed: $(cat "$work/out")"
after=$(stat -c %Y:%s "$build/CMakeCache.txt" "$build/tonewright" "$build/Makefile")
[ "$before" = "$after" ] || fail "install configured or built again"
[ -x "$work/stage2/usr/lib/tonewright/tonewright" ] || fail "the program was not installed"
owner=$(stat -c %u "$build")
[ "$(stat -c %u "$build/install_manifest.txt")" = "$owner" ] || fail "install left a file of another owner in the build folder"
echo "make install: builds nothing, says to build first: ok"
