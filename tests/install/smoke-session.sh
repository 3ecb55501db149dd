#!/bin/sh
# Runs inside installed-smoke.sh's private X server and session bus.
# Usage: smoke-session.sh <work folder> <install prefix in the DESTDIR tree> <tools folder> first-start|portable|german
set -eu
work=$1 prefix=$2 tools=$3 what=$4
bin=$prefix/bin/tonewright
fail() { echo "FAIL: $*" >&2; echo "--- the program said:" >&2; cat "$work/first.out" >&2; exit 1; }

/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
a11y=$!
app=
trap '[ -n "$app" ] && kill "$app" 2>/dev/null; kill "$a11y" 2>/dev/null' EXIT
look() { /usr/bin/python3 "$tools/window-texts.py" 30 "Tonewright 1.2" "$@"; }

cd "$work/music"
# English unless a case asks for another language, whatever the tester's own locale.
export LANGUAGE=en
case $what in
first-start)
  # Relative, missing and folder arguments: the two files and the folder's one audio file join the list.
  "$bin" first.wav missing.wav "second song.aiff" "$work/music/album" >"$work/first.out" 2>&1 &
  app=$!
  look "first.wav" "second song.aiff" "track 1.flac" "3 files" || fail "the main window with the three files did not show"
  # A second start hands its file to the running program and ends by itself.
  # (A start that wrongly runs on as a program of its own is ended by the hang guard.)
  timeout 20 "$bin" third.wav >"$work/second.out" 2>&1 || fail "the second start did not hand over and end: $(cat "$work/second.out")"
  look "first.wav" "second song.aiff" "third.wav" "4 files" || fail "the handed-over file did not arrive"
  # One without any display (a terminal over ssh, a script) hands over all the same.
  printf 'RIFF' >fourth.wav
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 20 "$bin" fourth.wav >"$work/third.out" 2>&1 ||
    fail "a start without a display did not hand over: $(cat "$work/third.out")"
  look "third.wav" "fourth.wav" "5 files" || fail "the file handed over without a display did not arrive"
  ;;
portable)
  "$bin" third.wav >"$work/first.out" 2>&1 &
  app=$!
  look "third.wav" "One file" || fail "the main window did not show"
  ;;
german)
  # The translation comes with the installed program: German when the user asks for it.
  LANGUAGE=de "$bin" third.wav >"$work/first.out" 2>&1 &
  app=$!
  look "third.wav" "Eine Datei" || fail "the main window did not show in German"
  ;;
esac
if grep -q "Unable to write" "$work/first.out"; then fail "$(cat "$work/first.out")"; fi
