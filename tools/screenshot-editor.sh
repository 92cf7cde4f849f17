#!/bin/sh
# Renders the editor page under Wine on a virtual X display and saves a
# screenshot of its window: docs/editor.png, or with --frame the page in the
# system's property frame (OleCreatePropertyFrame): docs/editor-in-property-frame.png.
# Usage: tools/screenshot-editor.sh [--frame]
set -eu
cd "$(dirname "$0")/.."
mode="" shot=docs/editor.png
if [ "${1:-}" = "--frame" ]; then
  mode=--frame shot=docs/editor-in-property-frame.png
fi
tools/setup.sh
tools/build.sh win32 --target editor-preview >/dev/null
Xvfb :97 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
mkdir -p docs
# The preview prints where its window is, then stays up for eight seconds.
DISPLAY=:97 tools/with-wine.sh sh -c '
  wine build/win32/bin/editor-preview.exe $1 8 >docs/.preview-rect &
  preview=$!
  sleep 6
  read -r x y width height <docs/.preview-rect
  import -window root -display :97 -crop "${width}x${height}+${x}+${y}" +repage "$2"
  wait "$preview"' sh "$mode" "$shot"
rm -f docs/.preview-rect
echo "screenshot: $shot"
