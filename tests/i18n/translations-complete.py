#!/usr/bin/env python3
"""Every text of the program has a finished translation in each .ts file.

Runs lupdate over the sources into a copy of each .ts, so a text added to the code but not to
the translation shows up as unfinished, and a text gone from the code as vanished. Each finished
translation keeps the placeholders (%1, %2, ...) of its source text and ends a line where it does
(a text for the terminal ends with a line break, a message box's keeps its CR LF).
Usage: translations-complete.py LUPDATE TS_FILE... -- SOURCE...
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def placeholders(text):
    return sorted(re.findall(r"%\d+", text))


def problems(ts_path):
    found = []
    # lupdate writes a carriage return as <byte value="xd"/>: read it as one.
    with open(ts_path, encoding="utf-8") as ts:
        tree = ET.ElementTree(ET.fromstring(ts.read().replace('<byte value="xd"/>', "&#13;")))
    for context in tree.getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source")
            translation = message.find("translation")
            kind = translation.get("type")
            text = "".join(translation.itertext()) if translation is not None else ""
            if kind in ("unfinished", "vanished", "obsolete") or not text:
                found.append(f"{name}: {kind or 'empty'}: {source!r}")
            elif placeholders(source) != placeholders(text):
                found.append(f"{name}: placeholders {placeholders(source)} became {placeholders(text)}: {text!r}")
            elif source.endswith("\n") != text.endswith("\n") or ("\r" in source) != ("\r" in text):
                found.append(f"{name}: the line ends differ from the source's: {text!r}")
    return found


def main():
    lupdate = sys.argv[1]
    split = sys.argv.index("--")
    ts_files, sources = sys.argv[2:split], sys.argv[split + 1:]
    failed = False
    with tempfile.TemporaryDirectory() as scratch:
        for ts in ts_files:
            copy = os.path.join(scratch, os.path.basename(ts))
            shutil.copyfile(ts, copy)
            subprocess.run([lupdate, "-silent", "-locations", "none", *sources, "-ts", copy], check=True)
            found = problems(copy)
            for line in found:
                print(f"{os.path.basename(ts)}: {line}")
            count = sum(1 for _ in ET.parse(copy).getroot().iter("message"))
            print(f"{os.path.basename(ts)}: {count} texts, {len(found)} not finished")
            failed = failed or bool(found) or count == 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
