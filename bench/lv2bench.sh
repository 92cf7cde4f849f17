#!/bin/sh
# Times our LV2 plug-ins beside other reverbs from Debian with lilv's lv2bench
# (silence in, every control at its default, 48 kHz): ACE Reverb
# (ardour-lv2-plugins), MDA Ambience (mda-lv2) and Calf Reverb (calf-plugins).
# Each plug-in runs several times in turn; the table shows the best time, the
# cost per frame and how many times faster than real time it runs.
# Usage: bench/lv2bench.sh [runs] [frames] [block]   (defaults 5, 480000, 512)
set -eu
cd "$(dirname "$0")/.."
runs=${1:-5}
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
plugins="https://lumbrook-audio.example/lv2/reverb/stereo
https://lumbrook-audio.example/lv2/reverb/mono
urn:ardour:a-reverb
http://drobilla.net/plugins/mda/Ambience
http://calf.sourceforge.net/plugins/Reverb"

printf '%-48s %10s %12s %10s\n' "plug-in ($frames frames, block $block)" "best s" "ns/frame" "x realtime"
for uri in $plugins; do
  best=""
  i=0
  while [ "$i" -lt "$runs" ]; do
    t=$(lv2bench -n "$frames" -b "$block" "$uri" | awk 'NF == 2 { print $1 }')
    if [ -z "$t" ]; then
      echo "lv2bench.sh: lv2bench did not run $uri" >&2
      exit 1
    fi
    best=$(awk -v a="$t" -v b="${best:-$t}" 'BEGIN { print (a < b) ? a : b }')
    i=$((i + 1))
  done
  awk -v uri="$uri" -v t="$best" -v n="$frames" -v r="$rate" \
    'BEGIN { printf "%-48s %10.4f %12.1f %10.0f\n", uri, t, t * 1e9 / n, n / r / t }'
done
