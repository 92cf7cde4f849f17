#!/bin/sh
# Runs a command with a throwaway Wine prefix made for it (headless, through
# Wine's null display driver, unless DISPLAY is set; 32-bit, or 64-bit when
# WINEARCH=win64), then stops that prefix's Wine processes and removes it.
# Usage: [WINEARCH=win64] tools/with-wine.sh COMMAND [ARG ...]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEARCH="${WINEARCH:-win32}" WINEDEBUG=-all \
       WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$here/wine-prefix.sh" "$work"
# One server for the whole command: a program that starts just as the
# previous one's server is shutting down loses its connection otherwise.
wineserver -p
"$@"
