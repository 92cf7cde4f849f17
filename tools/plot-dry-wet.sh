#!/bin/sh
# Draws the spectrograms (time against frequency) of two audio files, one
# above the other.
# Usage: tools/plot-dry-wet.sh DRY.wav WET.wav OUT.png
set -eu
dry=$1 wet=$2 png=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The dry plot is padded with silence to the wet file's length, so that time
# lines up.
seconds=$(soxi -V1 -D "$wet")
sox -V1 "$dry" "$tmp/dry.wav" pad 0 "$(echo "$seconds $(soxi -V1 -D "$dry")" | awk '{print ($1 > $2) ? $1 - $2 : 0}')"
sox -V1 "$tmp/dry.wav" -n remix - spectrogram -x 900 -y 257 -z 100 -t "Dry: $(basename "$dry")" -o "$tmp/dry.png"
sox -V1 "$wet" -n remix - spectrogram -x 900 -y 257 -z 100 -t "Wet: $(basename "$wet")" -o "$tmp/wet.png"
/usr/bin/convert "$tmp/dry.png" "$tmp/wet.png" -append "$png"
