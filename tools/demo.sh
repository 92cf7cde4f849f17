#!/bin/sh
# The main job: renders the bundled dry sample through the plug-in, under
# Wine, with a hall preset and its tail, exactly as an audio application
# would (reverb-host.exe loads LumbrookReverb.dll through its class objects),
# and draws a spectrogram of dry against wet. It uses the 32-bit build
# (dist/win32), whose output the 64-bit build matches bit for bit.
# Writes out/demo-wet.wav and out/demo-spectrogram.png.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh win32 >/dev/null
mkdir -p out
env -u DISPLAY tools/with-wine.sh wine dist/win32/reverb-host.exe render resources/demo/dry.wav \
  out/demo-wet.wav --preset "09 - Large Hall 1" --tail
tools/plot-dry-wet.sh resources/demo/dry.wav out/demo-wet.wav out/demo-spectrogram.png
echo "demo: rendered with the 32-bit build (dist/win32); wrote out/demo-wet.wav (wet, with the tail) and out/demo-spectrogram.png (dry above, wet below)"
