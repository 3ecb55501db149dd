#!/usr/bin/env bash
# Encoder speed: our BladeEnc against Debian's lame CLI, same WAV files, same constant bitrate.
#
#   bench/encoder-vs-lame.sh [path/to/BladeEnc] [bitrate] [rounds]
#
# Both encoders use LAME's default quality (-q 3) and write the LAME Info frame. The lame CLI
# also runs its ReplayGain analysis by default, which BladeEnc does not do; so it is timed twice:
# as it comes ("lame default") and with that analysis switched off ("lame matched", the fair
# comparison: identical encoder settings). Rounds alternate the encoders; the minimum time of
# each is compared, as CPU time (user + system, robust on a shared machine) and wall time.
# Prints the ratios BladeEnc / lame (target: at most 1.05).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
encoder=${1:-$here/../build/BladeEnc}
bitrate=${2:-128}
rounds=${3:-5}
command -v lame >/dev/null || { echo "lame is not installed (scripts/install-deps)"; exit 1; }
[ -x "$encoder" ] || { echo "no BladeEnc at $encoder"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tw-encoder-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/ours" "$work/lame"

# The sources are generated once and kept (generation takes a while in Python).
sources=${TMPDIR:-/tmp}/tw-encoder-bench-sources-v1
if [ ! -f "$sources/source2.wav" ]; then
mkdir -p "$sources"
# Three 60-second 16-bit stereo 44.1 kHz sources with music-like content (gliding harmonics and
# a little noise): pure sines encode faster than real audio and would flatter both sides.
/usr/bin/python3 - "$sources" <<'EOF'
import array, math, sys, wave
folder = sys.argv[1]
rate, seconds = 44100, 60
for n, base in enumerate((110.0, 220.0, 164.8)):
    seed = 12345 + n
    left = array.array('h')
    phase = [0.0] * 5
    for i in range(rate * seconds):
        t = i / rate
        f = base * (1 + 0.5 * math.sin(2 * math.pi * 0.05 * t))
        s = 0.0
        for k in range(5):
            phase[k] += 2 * math.pi * f * (k + 1) / rate
            s += math.sin(phase[k]) / (k + 1)
        seed = (seed * 1103515245 + 12345) & 0x7fffffff
        noise = (seed / 0x7fffffff - 0.5) * 0.1
        l = 0.25 * s + noise
        r = 0.25 * math.sin(phase[0] * 1.5) + 0.2 * s - noise
        left.append(int(max(-1, min(1, l)) * 32000))
        left.append(int(max(-1, min(1, r)) * 32000))
    with wave.open(f"{folder}/source{n}.wav", "wb") as w:
        w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
        w.writeframes(left.tobytes())
EOF
fi
ln -s "$sources"/source*.wav "$work"/

# Each measurement: "wall cpu" in seconds, cpu = user + system time of the encoder processes.
# The CPU time is what to compare on a busy machine; wall time only means something when idle.
measure() {  # command...
    local out="$work/time.$$"
    /usr/bin/time -f "%e %U %S" -o "$out" "$@" >/dev/null 2>&1
    awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$out"
}

run_ours() {
    for f in "$sources"/source*.wav; do cp -l "$f" "$work/ours/" 2>/dev/null || cp "$f" "$work/ours/"; done
    # One thread: the encoder's own speed against lame's, file after file like lame here.
    BLADEENC_THREADS=1 measure "$encoder" -quit "-$bitrate" "$work"/ours/source0.wav "$work"/ours/source1.wav "$work"/ours/source2.wav
}

run_lame() {  # extra lame options in "$@"
    local wall=0 cpu=0 w c
    for f in "$work"/source*.wav; do
        read -r w c < <(measure lame -b "$bitrate" -q 3 "$@" "$f" "$work/lame/$(basename "${f%.wav}").mp3")
        wall=$(awk -v a="$wall" -v b="$w" 'BEGIN { printf "%.3f", a + b }')
        cpu=$(awk -v a="$cpu" -v b="$c" 'BEGIN { printf "%.3f", a + b }')
    done
    echo "$wall $cpu"
}

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }
ow=999999 oc=999999 dw=999999 dc=999999 mw=999999 mc=999999
for ((i = 1; i <= rounds; i++)); do
    read -r w1 c1 < <(run_ours)
    read -r w2 c2 < <(run_lame)
    read -r w3 c3 < <(run_lame --noreplaygain)
    echo "round $i (wall/cpu s): BladeEnc $w1/$c1  lame default $w2/$c2  lame matched $w3/$c3"
    ow=$(min "$ow" "$w1"); oc=$(min "$oc" "$c1")
    dw=$(min "$dw" "$w2"); dc=$(min "$dc" "$c2")
    mw=$(min "$mw" "$w3"); mc=$(min "$mc" "$c3")
done

sizes=$(stat -c %s "$work"/ours/source0.mp3 "$work"/lame/source0.mp3 | tr '\n' ' ')
echo "bitrate $bitrate kbit/s, 3 x 60 s stereo 44.1 kHz, best of $rounds rounds, load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "BladeEnc wall ${ow}s cpu ${oc}s | lame default wall ${dw}s cpu ${dc}s | lame matched (--noreplaygain) wall ${mw}s cpu ${mc}s"
awk -v ow="$ow" -v oc="$oc" -v dw="$dw" -v dc="$dc" -v mw="$mw" -v mc="$mc" 'BEGIN {
    printf "ratio BladeEnc / lame matched: cpu %.3f wall %.3f | BladeEnc / lame default: cpu %.3f wall %.3f (target <= 1.05)\n", oc / mc, ow / mw, oc / dc, ow / dw }'
echo "first file's MP3 sizes (ours, lame): $sizes"
