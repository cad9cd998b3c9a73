#!/usr/bin/env bash
# zel-render's start-up and sequence costs on this machine, as medians of several runs (README,
# Benchmarks). Run by hand, never as a test: the figures depend on the machine and its load.
#   bench/zel_render_bench.sh [BUILD_DIR [RUNS]]     (defaults: build, 5)
set -euo pipefail
build="${1:-build}"
runs="${2:-5}"
render="$build/bin/zel-render"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Logs and preferences stay out of the user's home.
export XDG_STATE_HOME="$work" XDG_CONFIG_HOME="$work"

# Seconds of wall-clock time one run of the command takes.
wall() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}

# The median of `runs` runs' wall-clock seconds.
median() {
    for ((i = 0; i < runs; i++)); do
        wall "$@"
    done | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}

ms() { awk -v s="$1" 'BEGIN { printf "%.0f ms", s * 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
per() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }

help=$(median "$render" --help)
list=$(median "$render" --list-params)
small=$(median "$render" --size 64x36 -o "$work/small.png")
one=$(median "$render" --frames 0 -q -o "$work/one/f-####.png")
seq1=$(median "$render" --frames 0-23 -j 1 -q -o "$work/j1/f-####.png")
seq2=$(median "$render" --frames 0-23 -j 2 -q -o "$work/j2/f-####.png")
# The default scene's 8-bit frame as zel_bench_frame_time renders it (displacement pass), within
# one process.
frame=$("$build/bin/zel_bench_frame_time" "$runs" |
    awk '$1 == "default" && $2 == 8 && $3 == "pass" { print $4 / 1000 }')

# The worker's peak resident memory (VmHWM) over a 1080p 32-bit run of 200 frames, after its 20th
# frame and at its end: flat when frames leave nothing behind. Frames are removed as they come so
# that the disk holds a few at a time.
out="$work/long"
mkdir -p "$out"
"$render" --bpc 32 --frames 0-199 -q -o "$out/f-####.tif" &
pid=$!
written=0
peak20=""
peak=""
while kill -0 "$pid" 2>/dev/null; do
    written=$((written + $(find "$out" -name 'f-*.tif' -delete -print | wc -l)))
    worker=$(pgrep -P "$pid" -f -- --worker | head -n 1 || true)
    peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$worker/status" 2>/dev/null || echo "$peak")
    if [[ -z "$peak20" && $written -ge 20 ]]; then
        peak20=$peak
    fi
    sleep 1
done
wait "$pid"

echo "| Measure | Median of $runs |"
echo "|---|---|"
echo "| \`zel-render --help\` | $(ms "$help") |"
echo "| \`--list-params\` | $(ms "$list") |"
echo "| one 64 x 36 frame | $(ms "$small") ($(ratio "$small" "$list") x \`--list-params\`) |"
echo "| one 1080p frame, in process (zel_bench_frame_time) | $(ms "$frame") |"
# Each frame after the first, once the worker has loaded the module, GL and the image library.
next=$(awk -v a="$seq1" -v b="$one" 'BEGIN { printf "%.4f", (a - b) / 23 }')
echo "| one 1080p frame to PNG | $(ms "$one") |"
echo "| 24 frames of 1080p to PNG, -j 1 | $(ms "$seq1"): $(ms "$(per "$seq1" 24)") a frame, $(ratio "$(per "$seq1" 24)" "$frame") x the frame's own; each after the first $(ms "$next"), $(ratio "$next" "$frame") x |"
echo "| 24 frames of 1080p to PNG, -j 2 | $(ms "$seq2"): $(ratio "$seq1" "$seq2") x faster than -j 1 |"
echo "| a worker's peak memory, 1080p 32-bit to TIFF | $((peak20 / 1024)) MB after 20 frames, $((peak / 1024)) MB after 200 (one run) |"
