#!/bin/sh
# Runs a test binary on a private X server (xvfb-run) with an XEmbed notification area (trayer),
# so the tray icon is really shown and can be looked at. Needs xvfb, xauth and trayer.
# Usage: run-with-tray-host.sh <test binary> [arguments...]
exec xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24 -nolisten tcp" /bin/sh -c '
  trayer --edge bottom --align right --widthtype pixel --width 160 --heighttype pixel --height 32 \
         --SetDockType true --transparent false >/dev/null 2>&1 &
  host=$!
  QT_QPA_PLATFORM=xcb "$@"
  rc=$?
  kill "$host" 2>/dev/null
  wait "$host" 2>/dev/null
  exit $rc' tray-test "$@"
