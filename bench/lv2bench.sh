#!/bin/sh
# Times our LV2 plug-ins beside other reverbs from Debian with lilv's lv2bench
# (silence in, every control at its default, 48 kHz): ACE Reverb
# (ardour-lv2-plugins), MDA Ambience (mda-lv2) and Calf Reverb (calf-plugins).
# lv2bench cannot set a control, so ours run with their defaults: the
# equaliser on, no pre-delay. The plug-ins take turns, round after round, so
# a busy machine slows them alike; the table shows each one's best time, its
# cost per frame, how many times faster than real time it runs, and its cost
# against ACE Reverb's.
# Usage: bench/lv2bench.sh [rounds] [frames] [block]   (defaults 5, 480000, 512)
set -eu
cd "$(dirname "$0")/.."
rounds=${1:-5}
frames=${2:-480000}
block=${3:-512}
rate=48000

missing=""
for p in lilv-utils ardour-lv2-plugins mda-lv2 calf-plugins; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
    missing="$missing $p"
done
if [ -n "$missing" ]; then
  echo "lv2bench.sh: needs$missing (sudo apt-get install$missing)" >&2
  exit 2
fi
tools/build.sh native --target lumbrook_reverb_lv2 lv2_bundle_data >/dev/null

# Our bundle first on the path, Debian's plug-ins after it.
LV2_PATH="$PWD/build/native/lv2:/usr/lib/lv2"
export LV2_PATH
reference=urn:ardour:a-reverb
plugins="https://lumbrook-audio.example/lv2/reverb/stereo
https://lumbrook-audio.example/lv2/reverb/mono
$reference
http://drobilla.net/plugins/mda/Ambience
http://calf.sourceforge.net/plugins/Reverb"

times=$(mktemp)
trap 'rm -f "$times"' EXIT INT TERM
round=0
while [ "$round" -lt "$rounds" ]; do
  for uri in $plugins; do
    t=$(lv2bench -n "$frames" -b "$block" "$uri" | awk 'NF == 2 { print $1 }')
    if [ -z "$t" ]; then
      echo "lv2bench.sh: lv2bench did not run $uri" >&2
      exit 1
    fi
    echo "$uri $t" >>"$times"
  done
  round=$((round + 1))
done

printf '%-48s %10s %12s %10s %8s\n' "plug-in ($frames frames, block $block)" "best s" "ns/frame" \
  "x realtime" "x ACE"
for uri in $plugins; do
  awk -v uri="$uri" -v ref="$reference" -v n="$frames" -v r="$rate" '
    $1 == uri && (best == "" || $2 < best) { best = $2 }
    $1 == ref && (refBest == "" || $2 < refBest) { refBest = $2 }
    END { printf "%-48s %10.4f %12.1f %10.0f %8.2f\n", uri, best, best * 1e9 / n, n / r / best,
          best / refBest }' "$times"
done
