#!/bin/sh
# reverb-host.exe under Wine where a user's data is at risk: interrupted by
# Ctrl-C, TERM or HUP, two renders racing to one output, a full disk. An
# existing output always survives and no temporary file stays behind.
# Usage: host_limits_test.sh WINE HOST.exe interrupt|full-disk  (exit 77: skipped)
#   WINE: the loader of the host's bitness, which the signals must reach
set -u
wine=$1
host=$2
mode=$3
here=$(cd "$(dirname "$0")" && pwd)
CLEANUP='umount "$scratch/full" 2>/dev/null'
. "$here/script_support.sh"
# No file but those named may be in the folder: a temporary one means loss.
expect_only() {
  folder=$1; shift
  left=$(ls -A "$folder" | sort | tr '\n' ' ')
  want=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
  [ "$left" = "$want" ] || fail "$case: the folder holds '$left', expected '$want'"
}
expect_kept() {
  [ "$(cat "$1")" = "earlier work" ] || fail "$case: $1 was not kept"
}

case $mode in
interrupt)
  mkdir "$scratch/out"
  wav silence "$scratch/long.wav" 44100 2 $((44100 * 600))
  for signal in INT:130 TERM:143 HUP:129; do
    case="SIG${signal%:*}"
    echo "earlier work" >"$scratch/out/o.wav"
    "$wine" "$host" render "$(win "$scratch/long.wav")" "$(win "$scratch/out/o.wav")" --block 1 &
    pid=$!
    for i in $(seq 300); do
      ls -A "$scratch/out" | grep -q '^\.o\.wav\.' && break
      sleep 0.1
    done
    ls -A "$scratch/out" | grep -q '^\.o\.wav\.' || fail "$case: no temporary file appeared"
    kill -"${signal%:*}" $pid
    wait $pid
    rc=$?
    [ $rc -eq "${signal#*:}" ] || fail "$case: exit $rc, expected ${signal#*:}"
    sleep 0.5
    expect_kept "$scratch/out/o.wav"
    expect_only "$scratch/out" o.wav
  done

  case="a user's file named like a temporary file, two renders to one output"
  wav noise "$scratch/short.wav" 22050 2 30000
  echo "earlier work" >"$scratch/out/o.wav.partial"
  "$wine" "$host" render "$(win "$scratch/short.wav")" "$(win "$scratch/out/alone.wav")" --preset 3 --tail ||
    fail "$case: the single render failed"
  "$wine" "$host" render "$(win "$scratch/short.wav")" "$(win "$scratch/out/o.wav")" --preset 3 --tail &
  first=$!
  "$wine" "$host" render "$(win "$scratch/short.wav")" "$(win "$scratch/out/o.wav")" --preset 3 --tail ||
    fail "$case: the second render failed"
  wait $first || fail "$case: the first render failed"
  cmp -s "$scratch/out/o.wav" "$scratch/out/alone.wav" || fail "$case: the output differs from a single render"
  expect_kept "$scratch/out/o.wav.partial"
  expect_only "$scratch/out" alone.wav o.wav o.wav.partial
  ;;
full-disk)
  mkdir "$scratch/full"
  if ! mount -t tmpfs -o size=1m tmpfs "$scratch/full" 2>/dev/null; then
    echo "SKIPPED: mounting a 1 MiB tmpfs is not allowed here (the full-disk test needs root)"
    exit 77
  fi
  # Three seconds fill the disk as the input ends; a minute fills it while
  # the reader still has most of the input, which must stop as well.
  for seconds in 3 60; do
    case="full disk, $seconds s of input"
    wav silence "$scratch/in.wav" 44100 2 $((44100 * seconds))
    echo "earlier work" >"$scratch/full/o.wav"
    # Into a file, not a pipe: Wine's services, started by the first program
    # of a fresh prefix, would hold a pipe open long after the host ends.
    # A host whose stages wait for one another after the failure never ends:
    # a minute is far more than either case takes.
    timeout -k 5 60 "$wine" "$host" render "$(win "$scratch/in.wav")" \
      "$(win "$scratch/full/o.wav")" >"$scratch/message.txt" 2>&1
    rc=$?
    [ $rc -ne 124 ] && [ $rc -ne 137 ] || fail "$case: the host did not end within a minute"
    message=$(cat "$scratch/message.txt")
    [ $rc -eq 1 ] || fail "$case: exit $rc, expected 1"
    echo "$message" | grep -q "the disk is full" || fail "$case: the message '$message' gives no reason"
    expect_kept "$scratch/full/o.wav"
    expect_only "$scratch/full" o.wav
  done
  ;;
*)
  echo "usage: host_limits_test.sh WINE HOST.exe interrupt|full-disk" >&2
  exit 2
  ;;
esac
finish
