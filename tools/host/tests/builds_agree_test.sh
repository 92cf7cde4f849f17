#!/bin/sh
# The 32- and the 64-bit reverb-host.exe, each through the plug-in of its own
# bitness, write the same files byte for byte: every factory preset, with
# and without the tail, mono and stereo. A parameter block saved by either
# is the same 44 bytes, and each reads the other's and saves it unchanged.
# Usage: builds_agree_test.sh WINE64 HOST64.exe WINE32 HOST32.exe
#   (the loader for each bitness; a 64-bit Wine prefix runs both)
set -u
wine64=$1
host64=$2
wine32=$3
host32=$4
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -f "$host32" ]; then
  echo "FAIL: no 32-bit host at $host32 (build it first: tools/build.sh win32)"
  exit 1
fi
. "$here/script_support.sh"

# Runs one host. reverb-host gives its reason whenever it fails; a run that
# failed without a word never got as far as the host (Wine's loader, on a
# loaded machine, now and then fails to start a process), so it is tried
# once more before it counts.
run_host() {
  bits=$1 loader=$2 host=$3; shift 3
  "$loader" "$host" "$@" >"$scratch/$bits.log" 2>&1 && return 0
  [ -s "$scratch/$bits.log" ] && return 1
  "$loader" "$host" "$@" >"$scratch/$bits.log" 2>&1
}

# Runs both hosts with the same arguments, the output file named last
# with the bitness appended (a.wav: a.wav.32 and a.wav.64), and compares.
both() {
  case=$1 out=$2; shift 2
  run_host 32 "$wine32" "$host32" "$@" "$(win "$out.32")" ||
    fail "$case: the 32-bit host failed (exit $?): $(cat "$scratch/32.log")"
  run_host 64 "$wine64" "$host64" "$@" "$(win "$out.64")" ||
    fail "$case: the 64-bit host failed (exit $?): $(cat "$scratch/64.log")"
  cmp -s "$out.32" "$out.64" || fail "$case: the two files differ"
}

# The presets, then a block that also has the equaliser on and values
# outside 0..1.
wav block "$scratch/wild.params" 1.5 -0.25 2 1.25 -1 3 1.75 -0.5 7 -1 2
for channels in 1 2; do
  wav noise "$scratch/in.wav" 8000 $channels 4000
  for preset in 0 1 2 3 4 5 6 7 8 9 10 11 12 13; do
    both "preset $preset, $channels channel(s)" "$scratch/out.wav" \
      render "$(win "$scratch/in.wav")" --preset $preset
    both "preset $preset, $channels channel(s), with the tail" "$scratch/out.wav" \
      render "$(win "$scratch/in.wav")" --preset $preset --tail
  done
  both "the wild block, $channels channel(s)" "$scratch/out.wav" \
    render "$(win "$scratch/in.wav")" --params "$(win "$scratch/wild.params")"
done

# Blocks: from the same settings, then across, each saved again as read.
for preset in 0 9 13; do
  both "block of preset $preset" "$scratch/p$preset.params" \
    save-params --preset $preset --set loEq=-3dB --set enableEq=on
done
for block in p9 wild; do
  for from in 32 64; do
    source=$scratch/$block.params
    [ $block = wild ] || source=$scratch/$block.params.$from
    both "the $block block saved by the $from-bit host, read and saved again" \
      "$scratch/again.params" save-params --params "$(win "$source")"
    cmp -s "$source" "$scratch/again.params.32" ||
      fail "the $block block saved by the $from-bit host changed on its way"
  done
done
finish
