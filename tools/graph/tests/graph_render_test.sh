#!/bin/sh
# The effect as a DirectShow application meets it once regsvr32 has
# registered it: graph-render.exe (Wine's own filters around the media object,
# or around the filter class) gives reverb-host.exe render's samples, tail
# included, for stereo and mono float and for 16-bit PCM (delivered as 16-bit
# PCM: the float result rounded to nearest, ties to even, and clamped);
# after regsvr32 /u no list of the system offers the effect any more.
# Usage: graph_render_test.sh WINE GRAPH-RENDER.exe REVERB-HOST.exe
#   (WINE: the loader of the programs' bitness; regsvr32 is the system's of it)
set -u
wine=$1
graph=$2
host=$3
bin=$(cd "$(dirname "$graph")" && pwd)
here=$(cd "$(dirname "$0")/../../host/tests" && pwd)
# Every Wine program writes into a file: Wine's helper processes inherit the
# first program's output handles and outlive it, which would hold ctest's
# pipe, or a command substitution's, open until the prefix is gone.
# regsvr32 runs in the plug-in's folder: only there does it find CWDXPX1.dll.
regsvr() { (cd "$bin" && "$wine" regsvr32 /s "$@" LumbrookReverb.dll >"$scratch/regsvr.log" 2>&1); }
CLEANUP='regsvr /u'
. "$here/script_support.sh"
# Runs graph-render with the arguments; its messages go to $message.
attempt() {
  "$wine" "$graph" "$@" >"$scratch/log" 2>&1
  rc=$?
  message=$(cat "$scratch/log")
  return $rc
}

# TOOL NAME IN ARGS...: renders IN into NAME.wav, with graph-render or
# reverb-host render.
render() {
  tool=$1 name=$2 in=$3; shift 3
  if [ "$tool" = graph ]; then set -- "$graph" "$@"; else set -- "$host" render "$@"; fi
  exe=$1; shift
  "$wine" "$exe" "$@" "$(win "$in")" "$(win "$scratch/$name.wav")" >"$scratch/log" 2>&1 ||
    fail "$name: $tool failed: $(cat "$scratch/log")"
}
same() {
  why=$(wav samedata "$scratch/$1.wav" "$scratch/$2.wav" 2>&1) || fail "$1 and $2: $why"
}

regsvr || { echo "FAIL: regsvr32 LumbrookReverb.dll failed"; exit 1; }

wav noise "$scratch/stereo.wav" 44100 2 44100
render host stereo-host "$scratch/stereo.wav" --preset 9 --tail
render graph stereo-dmo "$scratch/stereo.wav" --dmo --preset 9 --tail
render graph stereo-filter "$scratch/stereo.wav" --filter --preset 9 --tail
same stereo-dmo stereo-host
same stereo-filter stereo-host

wav noise "$scratch/mono.wav" 44100 1 30000
render host mono-host "$scratch/mono.wav" --preset 3
render graph mono-dmo "$scratch/mono.wav" --preset 3
same mono-dmo mono-host

wav noise16 "$scratch/pcm.wav" 44100 2 44100
render host pcm-host "$scratch/pcm.wav" --preset 9 --tail
render graph pcm-dmo "$scratch/pcm.wav" --preset 9 --tail
if why=$(wav samepcm16 "$scratch/pcm-host.wav" "$scratch/pcm-dmo.wav" 2>&1); then
  # Loud enough, and long enough, that clipping and ties are part of what was compared.
  case $why in "0 clamped"* | *" 0 ties") fail "16-bit PCM: the rule was not exercised ($why)" ;; esac
else
  fail "16-bit PCM: $why"
fi

case="a file that is not WAV"
echo "not audio" >"$scratch/text.wav"
attempt "$(win "$scratch/text.wav")" "$(win "$scratch/out.wav")" && fail "$case: graph-render succeeded"
printf "%s" "$message" | grep -q "text.wav' is not a WAV file" || fail "$case: it said '$message'"

regsvr /u || fail "regsvr32 /u LumbrookReverb.dll failed"
for way in "--dmo:neither DMOEnum nor the System Device Enumerator lists an audio-effect DMO named 'Lumbrook Reverb'" \
           "--filter:no DirectShow filter named 'Lumbrook Reverb' in the legacy filter category"; do
  case="unregistered, ${way%%:*}"
  attempt "$(win "$scratch/stereo.wav")" "$(win "$scratch/out.wav")" "${way%%:*}"
  [ $rc -eq 1 ] || fail "$case: exit $rc, expected 1"
  printf "%s" "$message" | grep -qF "${way#*:}" || fail "$case: it said '$message'"
done
finish
