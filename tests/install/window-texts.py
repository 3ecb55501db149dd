#!/usr/bin/python3
"""Waits until a running Tonewright's main window shows every expected text, read through the
accessibility bus as a screen reader reads it, and exits 0; prints what it saw and exits 1 when
the texts do not all show up within the time given, or as soon as an error message box shows.
Usage: window-texts.py SECONDS WINDOW-TITLE TEXT...
The program needs QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and a session bus with at-spi-bus-launcher."""
import sys
import time

import pyatspi


def texts(acc, seen, depth=0):
    if acc is None or depth > 30:
        return
    try:
        seen.add(acc.name or "")
        seen.add(acc.queryText().getText(0, -1) or "")
    except Exception:
        pass
    try:
        for i in range(acc.childCount):
            texts(acc.getChildAtIndex(i), seen, depth + 1)
    except Exception:
        pass


def windows(title):
    desk = pyatspi.Registry.getDesktop(0)
    for i in range(desk.childCount):
        app = desk.getChildAtIndex(i)
        if app is None or "tonewright" not in (app.name or "").lower():
            continue
        for j in range(app.childCount):
            win = app.getChildAtIndex(j)
            if win is not None:
                yield win


deadline = time.monotonic() + float(sys.argv[1])
title, wanted = sys.argv[2], set(sys.argv[3:])
seen = set()
while True:
    seen = set()
    for win in windows(title):
        seen.add("window: " + (win.name or ""))
        if win.name in (title, "Error"):
            texts(win, seen)
    if "window: Error" in seen:
        print("an error message box showed:", sorted(s for s in seen if s), file=sys.stderr)
        sys.exit(1)
    if wanted <= seen and "window: " + title in seen:
        sys.exit(0)
    if time.monotonic() > deadline:
        print("missing:", sorted(wanted - seen), file=sys.stderr)
        print("seen:", sorted(s for s in seen if s), file=sys.stderr)
        sys.exit(1)
    time.sleep(0.3)
