#!/bin/sh
# Whole process against whole process on one long stereo file (44,100 Hz,
# 32-bit float, generated here): lumbrook-reverb with preset 9, sox's reverb
# (a comparable comb and all-pass network) and a plain `sox in out` copy as
# the floor any renderer stands on. The three run in turn, in a rotating
# order, for several rounds; each round gives its own ratios, and the table
# shows the median of those ratios with their spread, the median times and
# each program's peak memory.
# Usage: bench/compare-sox.sh [rounds] [seconds]   (defaults 9, 600)
#   RENDERER=path  times another build of lumbrook-reverb (none is built then)
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-9}
seconds=${2:-600}
if [ -z "${RENDERER:-}" ]; then
  tools/setup.sh
  tools/build.sh native --target lumbrook-reverb >/dev/null
  RENDERER=build/native/tools/renderer/lumbrook-reverb
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM HUP
long="$work/long.wav"
# Pink noise gated into bursts, so that the reverb has something to ring with.
sox -V1 -n -r 44100 -c 2 -b 32 -e float "$long" synth "$seconds" pinknoise tremolo 0.5 100 vol 0.5

# Appends "microseconds kilobytes" of one run to $work/NAME.txt: the clock
# is read around the whole process, /usr/bin/time gives the peak memory.
measure() {
  name=$1
  set -- "$RENDERER" "$long" "$work/ours.wav" --preset 9 --quiet
  case $name in
    reverb) set -- sox -V1 "$long" "$work/reverb.wav" reverb 50 50 100 ;;
    copy) set -- sox -V1 "$long" "$work/copy.wav" ;;
  esac
  start=$(date +%s%N)
  /usr/bin/time -f "%M" -o "$work/kb.txt" "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(cat "$work/kb.txt")" >>"$work/$name.txt"
}

for name in ours reverb copy; do
  : >"$work/$name.txt"
  measure "$name"  # warms the file cache and the programs; not counted
  : >"$work/$name.txt"
done
i=0
while [ "$i" -lt "$rounds" ]; do
  case $((i % 3)) in
    0) order="ours reverb copy" ;;
    1) order="reverb copy ours" ;;
    *) order="copy ours reverb" ;;
  esac
  for name in $order; do measure "$name"; done
  i=$((i + 1))
done

paste -d' ' "$work/ours.txt" "$work/reverb.txt" "$work/copy.txt" |
  awk -v n="$rounds" -v s="$seconds" '
  function median(a, k,   i, j, t) {
    for (i = 2; i <= k; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return (k % 2) ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2
  }
  function spread(a, k,   i, lo, hi) {
    lo = hi = a[1]
    for (i = 2; i <= k; i++) { if (a[i] < lo) lo = a[i]; if (a[i] > hi) hi = a[i] }
    return sprintf("%.2f-%.2f", lo, hi)
  }
  {
    o[NR] = $1 / 1e6; om = $2 > om ? $2 : om
    r[NR] = $3 / 1e6; rm = $4 > rm ? $4 : rm
    c[NR] = $5 / 1e6; cm = $6 > cm ? $6 : cm
    oc[NR] = o[NR] / c[NR]; ro[NR] = r[NR] / o[NR]
  }
  END {
    printf "%d s stereo float at 44,100 Hz, %d interleaved rounds, whole process\n", s, n
    printf "%-26s %9s %10s %13s\n", "", "median s", "peak MB", "ns per frame"
    printf "%-26s %9.3f %10.1f %13.1f\n", "lumbrook-reverb preset 9", median(o, n), om / 1024, median(o, n) * 1e9 / (s * 44100)
    printf "%-26s %9.3f %10.1f %13.1f\n", "sox reverb 50 50 100", median(r, n), rm / 1024, median(r, n) * 1e9 / (s * 44100)
    printf "%-26s %9.3f %10.1f %13.1f\n", "sox copy", median(c, n), cm / 1024, median(c, n) * 1e9 / (s * 44100)
    printf "ours / copy:   median %.2f of per-round ratios (spread %s)\n", median(oc, n), spread(oc, n)
    printf "reverb / ours: median %.2f of per-round ratios (spread %s)\n", median(ro, n), spread(ro, n)
  }'
