#!/bin/sh
# Runs a test binary on a private X server (xvfb-run) with a window manager (openbox) that frames
# the windows and reports the frames through _NET_FRAME_EXTENTS. Needs xvfb, xauth and openbox.
# Usage: run-with-window-manager.sh <test binary> [arguments...]
exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" /bin/sh -c '
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  QT_QPA_PLATFORM=xcb "$@"
  rc=$?
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
  exit $rc' wm-test "$@"
