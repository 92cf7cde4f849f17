#!/bin/sh
# Runs every test: the native tree with ctest, the same tests again under
# AddressSanitizer and UBSan, then the Windows tree under Wine
# (through ctest's emulator) in a throwaway Wine prefix. Installs what is
# missing first. Exits non-zero when any test fails.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh

tools/build.sh native
(cd build/native && ctest --output-on-failure --timeout 600)

tools/build.sh sanitize
(cd build/sanitize && ctest --output-on-failure --timeout 900)

tools/build.sh win32
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
unset DISPLAY
tools/wine-prefix.sh "$work"
(cd build/win32 && ctest --output-on-failure --timeout 600)
