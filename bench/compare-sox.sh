#!/bin/sh
# Renders the same long stereo file (10 minutes at 44,100 Hz, generated here)
# with lumbrook-reverb and with sox's reverb (a comparable comb and all-pass
# network), whole process against whole process, several times in turn, and
# prints the medians, the ratio, our cost per frame and both peak memories.
# Usage: bench/compare-sox.sh [runs]   (default 5)
set -eu
cd "$(dirname "$0")/.."
runs=${1:-5}
tools/setup.sh
tools/build.sh native --target lumbrook-reverb >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
long="$work/long.wav"
# Pink noise gated into bursts, so that the reverb has something to ring with.
sox -V1 -n -r 44100 -c 2 -b 16 "$long" synth 600 pinknoise tremolo 0.5 100 vol 0.5
frames=$((600 * 44100))

ours="build/native/tools/renderer/lumbrook-reverb $long $work/ours.wav --preset 9 --quiet"
theirs="sox -V1 $long $work/sox.wav reverb 50 50 100"

measure() {  # prints "seconds kilobytes"
  /usr/bin/time -f "%e %M" -o "$work/time.txt" $1 >/dev/null 2>&1
  cat "$work/time.txt"
}

: >"$work/ours.txt"
: >"$work/sox.txt"
$ours >/dev/null 2>&1  # warm the file cache
i=0
while [ "$i" -lt "$runs" ]; do
  measure "$ours" >>"$work/ours.txt"
  measure "$theirs" >>"$work/sox.txt"
  i=$((i + 1))
done

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
ours_s=$(cut -d' ' -f1 "$work/ours.txt" | median)
sox_s=$(cut -d' ' -f1 "$work/sox.txt" | median)
ours_kb=$(cut -d' ' -f2 "$work/ours.txt" | sort -n | tail -1)
sox_kb=$(cut -d' ' -f2 "$work/sox.txt" | sort -n | tail -1)
awk -v o="$ours_s" -v s="$sox_s" -v f="$frames" -v om="$ours_kb" -v sm="$sox_kb" -v n="$runs" 'BEGIN {
  printf "10 min stereo at 44,100 Hz, median of %d runs, whole process\n", n
  printf "lumbrook-reverb: %.2f s  (%.1f ns per stereo frame, peak %.1f MB)\n", o, o * 1e9 / f, om / 1024
  printf "sox reverb:      %.2f s  (%.1f ns per stereo frame, peak %.1f MB)\n", s, s * 1e9 / f, sm / 1024
  printf "sox / lumbrook-reverb: %.2f times as long\n", s / o
}'
