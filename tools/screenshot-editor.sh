#!/bin/sh
# Renders the editor page under Wine on a virtual X display and saves a
# screenshot of its window: docs/editor.png.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh win32 --target editor-preview >/dev/null
work=$(mktemp -d)
Xvfb :97 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:97 WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
sleep 1
tools/wine-prefix.sh "$work"
wine build/win32/bin/editor-preview.exe 8 >"$work/rect.txt" &
preview=$!
sleep 6
read -r x y width height <"$work/rect.txt"
mkdir -p docs
import -window root -display :97 -crop "${width}x${height}+${x}+${y}" +repage docs/editor.png
wait "$preview"
echo "screenshot: docs/editor.png"
