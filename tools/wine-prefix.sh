#!/bin/sh
# Prepares a throwaway Wine prefix for the Windows tests in the folder given
# (created if missing): 32-bit, or 64-bit (running 32-bit programs too) when
# WINEARCH=win64; quiet, no crash dialog, Wine's fonts (Tahoma) installed,
# and headless through Wine's null display driver unless DISPLAY is set
# (then on that X server, e.g. Xvfb, with a virtual desktop).
# Usage: [WINEARCH=win64] tools/wine-prefix.sh DIR   then export WINEPREFIX=DIR/prefix
set -eu
dir=$1
mkdir -p "$dir"
export WINEPREFIX="$(cd "$dir" && pwd)/prefix" WINEARCH="${WINEARCH:-win32}" WINEDEBUG=-all \
       WINEDLLOVERRIDES="mscoree,mshtml="
case $WINEARCH in
  win32) wine=wine ;;
  # Debian's wine script would take its 32-bit loader, which cannot make a
  # 64-bit prefix.
  win64) wine=/usr/lib/wine/wine64 ;;
  *) echo "wine-prefix: WINEARCH must be win32 or win64, not '$WINEARCH'" >&2; exit 2 ;;
esac
if [ -f "$WINEPREFIX/.lumbrook-ready" ]; then exit 0; fi
"$wine" wineboot -i >/dev/null 2>&1
if [ -z "${DISPLAY:-}" ]; then
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
else
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
fi
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# A fresh server reads the display driver setting; the one wineboot started
# keeps the old one.
wineserver -k 2>/dev/null || true
wineserver -w
touch "$WINEPREFIX/.lumbrook-ready"
