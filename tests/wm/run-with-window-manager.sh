#!/bin/sh
# Runs a test binary on a private X server (xvfb-run; its search for a free display starts at a
# number of this process's own, as two at once from 99 can both take one) with a window manager (openbox) that frames
# the windows and reports the frames through _NET_FRAME_EXTENTS. Needs xvfb, xauth and openbox.
# The test starts only once openbox manages the screen: a window shown before that may stay
# unframed in Qt's eyes.
# Usage: run-with-window-manager.sh <test binary> [arguments...]
exec xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24 -nolisten tcp" /bin/sh -c '
  ready=$(mktemp -d)/openbox-ready
  openbox --sm-disable --startup "touch $ready" >/dev/null 2>&1 &
  wm=$!
  i=0
  while [ ! -e "$ready" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i + 1)); done
  rm -rf "$(dirname "$ready")"
  QT_QPA_PLATFORM=xcb "$@"
  rc=$?
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
  exit $rc' wm-test "$@"
