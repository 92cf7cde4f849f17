#!/bin/sh
# The two command-line tools give the same samples: reverb-host.exe through
# the plug-in under Wine and the native lumbrook-reverb through the engine.
# A block with bypass set (every factory preset), a block with values
# outside 0..1, the bypass switch, and input with non-finite samples, which
# both tools count and report once.
# Usage: tools_agree_test.sh WINE HOST.exe RENDERER  (WINE: the host's loader)
set -u
wine=$1
host=$2
renderer=$3
here=$(cd "$(dirname "$0")" && pwd)
# Without the native tree's renderer there is nothing to compare with: a
# skip that says where it looked and how to give it one, never a pass.
if [ ! -x "$renderer" ]; then
  echo "SKIP: no native renderer at $renderer: build the native tree first" \
    "(tools/build.sh native) or configure this tree with -DLUMBROOK_NATIVE_RENDERER=PATH"
  exit 77
fi
. "$here/script_support.sh"

# Renders with both tools, with the block file BLOCK when it is not "-";
# the further arguments go to both.
agree() {
  case=$1 block=$2; shift 2
  hostblock= rendererblock=
  [ "$block" = - ] || { hostblock="--params $(win "$block")"; rendererblock="--params $block"; }
  "$wine" "$host" render "$(win "$scratch/in.wav")" "$(win "$scratch/host.wav")" $hostblock "$@" \
    >"$scratch/host.log" 2>&1 || fail "$case: reverb-host failed: $(cat "$scratch/host.log")"
  "$renderer" "$scratch/in.wav" "$scratch/renderer.wav" --quiet $rendererblock "$@" \
    >"$scratch/renderer.log" 2>&1 || fail "$case: lumbrook-reverb failed: $(cat "$scratch/renderer.log")"
  why=$(wav samedata "$scratch/host.wav" "$scratch/renderer.wav" 2>&1) || fail "$case: $why"
}

wav noise "$scratch/in.wav" 22050 2 12000
for preset in 0 1 2 3 4 5 6 7 8 9 10 11 12 13; do
  "$renderer" --preset $preset --set bypass=on --save-params "$scratch/bypass.params" ||
    fail "preset $preset: no block saved"
  agree "preset $preset with bypass set in the block" "$scratch/bypass.params"
  ! wav samedata "$scratch/in.wav" "$scratch/host.wav" 2>/dev/null ||
    fail "preset $preset: the block's bypass passed the audio through"
done
wav block "$scratch/wild.params" 1.5 -0.25 2 1.25 -1 3 1.75 -0.5 1 1 1
agree "a block with values outside 0..1, tail and EQ on" "$scratch/wild.params"
wav block "$scratch/edges.params" 0 1 0 1 0 1 0 1 0 1 0
agree "a block at the edges of 0..1" "$scratch/edges.params"
agree "the bypass switch" - --preset 9 --set bypass=on
wav samedata "$scratch/in.wav" "$scratch/host.wav" || fail "the bypass switch changed the audio"

case="non-finite input"
wav noise "$scratch/in.wav" 22050 2 12000 5
agree "$case" - --preset 9
for log in host renderer; do
  grep -q "'.*in.wav' holds 5 non-finite samples (NaN or infinity)" "$scratch/$log.log" ||
    fail "$case: $log said '$(cat "$scratch/$log.log")'"
  [ "$(grep -c "non-finite" "$scratch/$log.log")" -eq 1 ] || fail "$case: $log warned more than once"
done
finish
