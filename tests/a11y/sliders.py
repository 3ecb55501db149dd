#!/usr/bin/python3
"""Reads the options dialog's sliders through the accessibility bus as a screen reader does: each
must say its value label's text (as its description), also after its value was set over the bus.
Usage: sliders.py SECONDS APP-NAME. Exits 0 when all holds, 1 with what it saw otherwise."""
import sys
import time

import pyatspi


def sliders(acc, found, depth=0):
    if acc is None or depth > 30:
        return
    try:
        if acc.getRoleName() == "slider":
            found[acc.name] = acc
        for i in range(acc.childCount):
            sliders(acc.getChildAtIndex(i), found, depth + 1)
    except Exception:
        pass


def find(app_name):
    desk = pyatspi.Registry.getDesktop(0)
    found = {}
    for i in range(desk.childCount):
        app = desk.getChildAtIndex(i)
        if app is not None and app_name in (app.name or ""):
            sliders(app, found)
    return found


def description(acc):
    acc.clearCache()
    return acc.description


deadline = time.monotonic() + float(sys.argv[1])
found = {}
while time.monotonic() < deadline:
    found = find(sys.argv[2])
    if {"Bitrate", "Priority"} <= set(found):
        break
    time.sleep(0.2)
else:
    print("sliders not found; saw:", sorted(found), file=sys.stderr)
    sys.exit(1)

failures = []
expected = [("Bitrate", None, "128 kBit"), ("Priority", None, "Normal"),
            ("Bitrate", 14, "320 kBit"), ("Bitrate", 1, "32 kBit"), ("Priority", 5, "Highest")]
for name, value, text in expected:
    acc = found[name]
    if value is not None:
        acc.queryValue().currentValue = value
    seen = description(acc)
    # The value is set by a call that returns before the label follows: wait for it.
    while seen != text and time.monotonic() < deadline:
        time.sleep(0.1)
        seen = description(acc)
    if seen != text:
        failures.append(f"{name} at {value}: description {seen!r}, wanted {text!r}")
if failures:
    print("\n".join(failures), file=sys.stderr)
    sys.exit(1)
