#!/bin/sh
# Prepares a throwaway Wine prefix for the Windows tests in the folder given
# (created if missing): 32-bit, quiet, no crash dialog, Wine's fonts (Tahoma)
# installed, and headless through Wine's null display driver unless DISPLAY
# is set (then on that X server, e.g. Xvfb, with a virtual desktop).
# Usage: tools/wine-prefix.sh DIR   then export WINEPREFIX=DIR/prefix
set -eu
dir=$1
mkdir -p "$dir"
export WINEPREFIX="$(cd "$dir" && pwd)/prefix" WINEARCH=win32 WINEDEBUG=-all \
       WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$WINEPREFIX/.lumbrook-ready" ]; then exit 0; fi
wineboot -i >/dev/null 2>&1
if [ -z "${DISPLAY:-}" ]; then
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
else
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
fi
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# A fresh server reads the display driver setting; the one wineboot started
# keeps the old one.
wineserver -k 2>/dev/null || true
wineserver -w
touch "$WINEPREFIX/.lumbrook-ready"
