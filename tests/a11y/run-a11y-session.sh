#!/bin/sh
# Runs a program and a pyatspi reader on a private X server, session bus and accessibility bus.
# Usage: run-a11y-session.sh <program> <reader.py> [reader arguments...]
# Needs xvfb, xauth, dbus, at-spi2-core and python3-pyatspi.
# The search for a free display starts at a number of this process's own: two xvfb-run -a
# started at once from 99 (other test runs on the machine) may both take the same one.
exec xvfb-run -a -n $((100 + $$ % 800)) -s "-screen 0 1024x768x24 -nolisten tcp" dbus-run-session -- /bin/sh -c '
  program=$1 reader=$2
  shift 2
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  bus=$!
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$program" &
  app=$!
  /usr/bin/python3 "$reader" "$@"
  rc=$?
  kill "$app" "$bus" 2>/dev/null
  wait "$app" 2>/dev/null
  wait "$bus" 2>/dev/null
  exit $rc' a11y-session "$@"
