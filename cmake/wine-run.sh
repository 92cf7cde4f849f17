#!/bin/sh
# ctest's emulator for the Windows trees: runs a program with the Wine loader
# given first (the toolchain file's LUMBROOK_WINE). Wine's helper processes
# inherit the output handles of the first wine process and outlive it;
# through a file they never hold ctest's pipes open.
# Usage: wine-run.sh LOADER PROGRAM [ARG ...]
loader=$1
shift
out=$(mktemp)
"$loader" "$@" >"$out" 2>&1
rc=$?
tr -d '\r' <"$out"
rm -f "$out"
exit $rc
