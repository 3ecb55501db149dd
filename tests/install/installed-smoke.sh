#!/bin/sh
# The installed program as a user meets it: `cmake --install` into a DESTDIR tree whose program
# folder is then read-only, started through the <prefix>/bin link on a private X server with a
# scratch configuration folder (smoke-session.sh does the starting and looking).
# Usage: installed-smoke.sh <build folder>
# Needs xvfb, dbus, at-spi2-core, python3-pyatspi; as root also unshare and mount.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$1

work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr/local >/dev/null
lib=$root/usr/local/lib/tonewright
[ -L "$root/usr/local/bin/tonewright" ] || fail "no link <prefix>/bin/tonewright"
[ -x "$lib/tonewright" ] && [ -x "$lib/BladeEnc" ] || fail "program and encoder not side by side in $lib"
for f in share/applications/tonewright.desktop share/metainfo/org.tonewright.Tonewright.metainfo.xml \
         share/icons/hicolor/scalable/apps/tonewright.svg share/icons/hicolor/16x16/apps/tonewright.png \
         share/icons/hicolor/256x256/apps/tonewright.png share/man/man1/tonewright.1.gz \
         share/man/man1/BladeEnc.1.gz share/doc/tonewright/copyright; do
  [ -f "$root/usr/local/$f" ] || fail "not installed: $f"
done

mkdir -p "$work/config" "$work/runtime" "$work/home" "$work/music"
chmod 700 "$work/runtime"
printf 'RIFF' >"$work/music/first.wav"
printf 'FORM' >"$work/music/second song.aiff"
printf 'RIFF' >"$work/music/third.wav"
mkdir -p "$work/music/album/.hidden"
printf 'fLaC' >"$work/music/album/track 1.flac"
printf 'fLaC' >"$work/music/album/.hidden/not listed.flac"
printf 'text' >"$work/music/album/notes.txt"

# Runs the session with the program folder read-only. Root ignores permission bits: for root a
# read-only bind mount in a mount namespace of its own; for anyone else the bits do.
read_only() {
  if [ "${READ_ONLY:-yes}" = no ]; then
    "$@"
  elif [ "$(id -u)" -eq 0 ]; then
    unshare --mount sh -c 'mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" && shift && exec "$@"' \
      read-only "$lib" "$@"
  else
    chmod -R a-w "$lib"
    "$@"
    chmod -R u+w "$lib"
  fi
}
session() {
  XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" \
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb \
  DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/tonewright-smoke-no-system-bus \
    read_only xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24 -nolisten tcp" \
      dbus-run-session -- sh "$here/smoke-session.sh" "$work" "$root/usr/local" "$here" "$@"
}

# The first start of the installed program: settings in the user's folder, files from the
# arguments, a second start handing over.
session first-start
[ -f "$work/config/tonewright/tonewright.ini" ] || fail "no settings file in the user's folder"
[ -e "$lib/tonewright.ini" ] && fail "settings file in the read-only program folder"
# Found through the resolved link: the encoder installed beside the program.
grep -qxF "BladeEnc=$lib/BladeEnc" "$work/config/tonewright/tonewright.ini" ||
  fail "the default encoder is not the installed BladeEnc: $(cat "$work/config/tonewright/tonewright.ini")"

# A read-only copy that holds a settings file (a portable copy on a read-only medium, or presets
# put there by an administrator): the user's own file starts from it, and no start complains
# that it cannot write.
printf '[System]\nBladeEnc=/opt/encoders/BladeEnc\n[Toolbar]\nLayout=2\n' >"$lib/tonewright.ini"
rm -rf "$work/config/tonewright"
session portable
grep -qxF "BladeEnc=/opt/encoders/BladeEnc" "$work/config/tonewright/tonewright.ini" ||
  fail "the settings beside the program did not seed the user's: $(cat "$work/config/tonewright/tonewright.ini")"
# A program folder its user may write (root and /usr): the installed program still keeps its
# settings and log in the user's folder, so nothing is left beside it for every later user.
rm -rf "$work/config/tonewright" "$lib/tonewright.ini"
READ_ONLY=no session portable
[ -e "$lib/tonewright.ini" ] && fail "settings file written beside the installed program"
[ -f "$work/config/tonewright/tonewright.ini" ] || fail "no settings file in the user's folder (writable install)"
session german
echo "installed program: window, settings place, file arguments, hand-over, German: ok"
