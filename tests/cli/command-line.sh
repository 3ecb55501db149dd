#!/bin/sh
# The command line of both programs as a user and a packager meet it: --help and --version print
# to standard output and end with status 0, also without any display (a QApplication would abort
# here: no DISPLAY, platform xcb); an unknown option is one line on standard error and status 2.
# Usage: command-line.sh <tonewright> <BladeEnc> <project version>
set -u
tonewright=$1 bladeenc=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# check <expected status> <stdout pattern or -> <stderr pattern or -> <program> [argument...]
# A pattern "-" means the stream must be empty; otherwise grep -E must find it.
check() {
  want=$1 out=$2 err=$3
  shift 3
  env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb HOME="$work" XDG_CONFIG_HOME="$work" \
    timeout 20 "$@" >"$work/out" 2>"$work/err" </dev/null
  got=$?
  what="$(basename "$1") $(shift; echo "$*")"
  [ "$got" -eq "$want" ] || fail "$what: exit status $got, expected $want; stderr: $(head -n 2 "$work/err")"
  for stream in out err; do
    eval "pattern=\$$stream"
    if [ "$pattern" = - ]; then
      [ -s "$work/$stream" ] && fail "$what: std$stream not empty: $(head -n 2 "$work/$stream")"
    else
      grep -Eq -- "$pattern" "$work/$stream" || fail "$what: std$stream lacks /$pattern/: $(head -n 2 "$work/$stream")"
    fi
  done
  if [ "$want" -eq 2 ] && [ "$err" != - ]; then
    [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$what: not one line on stderr: $(head -n 2 "$work/err")"
  fi
}

check 0 "^Usage: tonewright " - "$tonewright" --help
check 0 "^Usage: tonewright " - "$tonewright" -h
check 0 "^Tonewright $version\$" - "$tonewright" --version
check 0 "GPLv3\\+" - "$tonewright" --version
check 0 "^Tonewright $version\$" - "$tonewright" a.wav --version
check 2 - "unknown option --frobnicate" "$tonewright" --frobnicate
check 2 - "unknown option -x" "$tonewright" a.wav -x
check 2 - "option -style needs a value" "$tonewright" -style

check 0 "^Usage: BladeEnc " - "$bladeenc" --help
check 0 "^BladeEnc \\(Tonewright\\) $version\$" - "$bladeenc" --version
check 0 "GPLv3\\+" - "$bladeenc" --VERSION
check 2 "^Usage: BladeEnc " - "$bladeenc"
check 2 - "No files to encode" "$bladeenc" -MONO

exit $((failures > 0))
