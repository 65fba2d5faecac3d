#!/usr/bin/env bash
# capture-bench: the capture's frame rates on this machine, in one run: frames drawn without
# reading them back (warm-up frames), a sequential PNG capture, the same span in 2 parts at once,
# and the wall time of a whole video over 1..N machines computed from those. Prints figures,
# asserts nothing.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: capture-bench.sh [BUILD-FOLDER] [--frames N]
Runs kyla-capture from BUILD-FOLDER (default: build/ beside this project's tools/) at 30 s of the
timeline, 2 fps, N frames (default 8), and prints frames per second for: drawing alone, a
sequential --png capture, and a 2-part --png capture run as two processes at once; then the
hours a 60 s video at 60 fps takes on 1, 2, 4, 8, 16 and 32 such machines.
USAGE
}
build=$(cd "$(dirname "$0")/../.." && pwd)/build
frames=8
while [ $# -gt 0 ]; do
  case "$1" in
    -h|--help) usage; exit 0 ;;
    --frames) frames=$2; shift 2 ;;
    *) build=$(cd "$1" && pwd); shift ;;
  esac
done
capture=$build/kyla-capture
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$build"
export MESA_SHADER_CACHE_DISABLE=true

now() { date +%s.%N; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.3f", n / s }'; }
from=30
to=$(awk -v n="$frames" 'BEGIN { print 30 + n / 2 }')
warmup=8

# Drawing alone: warm-up frames are drawn and presented, never read back (one frame is written).
"$capture" --png "$work/draw" --from "$from" --to 30.5 --fps 2 --warmup "$frames" 2>"$work/draw.txt"
draw_line=$(tail -n 1 "$work/draw.txt")
start=$(now)
"$capture" --png "$work/seq" --from "$from" --to "$to" --fps 2 --warmup 0 2>"$work/seq.txt"
seq_s=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')
start=$(now)
for part in 1 2; do
  "$capture" --png "$work/parts" --from "$from" --to "$to" --fps 2 --part "$part/2" 2>"$work/part-$part.txt" &
done
wait
parts_s=$(awk -v a="$start" -v b="$(now)" 'BEGIN { print b - a }')

seq_fps=$(rate "$frames" "$seq_s")
parts_fps=$(rate "$frames" "$parts_s")
echo "capture-bench on $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) threads"
echo "$draw_line" | sed 's/^kyla-capture: /drawing alone: /'
echo "sequential --png capture, $frames frames: ${seq_s} s wall, $seq_fps frames per second (with start-up)"
tail -n 1 "$work/seq.txt" | sed 's/^kyla-capture: /  of which the frames: /'
echo "2 parts at once, $frames frames + 2 x $warmup warm-up: ${parts_s} s wall, $parts_fps frames per second"
echo "a 60 s video at 60 fps (3600 frames), $warmup warm-up frames per part, at the sequential rate per machine:"
for nodes in 1 2 4 8 16 32; do
  awk -v n="$nodes" -v r="$seq_fps" -v w="$warmup" 'BEGIN {
    f = 3600 / n + (n > 1 ? w : 0); printf "  %2d machines: %6.2f h\n", n, f / r / 3600 }'
done
