#!/bin/sh
# The main job: renders the bundled dry sample through the reverb with a hall
# preset and its tail, and draws a spectrogram of dry against wet.
# Writes out/demo-wet.wav and out/demo-spectrogram.png.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh native
mkdir -p out
build/native/tools/renderer/lumbrook-reverb resources/demo/dry.wav out/demo-wet.wav \
  --preset "09 - Large Hall 1" --tail
tools/spectrogram.sh resources/demo/dry.wav out/demo-wet.wav out/demo-spectrogram.png
echo "demo: wrote out/demo-wet.wav (wet, with the tail) and out/demo-spectrogram.png (dry above, wet below)"
