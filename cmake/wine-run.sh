#!/bin/sh
# ctest's emulator for the Windows tree. Wine's helper processes inherit the
# output handles of the first wine process and outlive it; through a file
# they never hold ctest's pipes open.
out=$(mktemp)
wine "$@" >"$out" 2>&1
rc=$?
tr -d '\r' <"$out"
rm -f "$out"
exit $rc
