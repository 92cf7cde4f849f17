#!/bin/sh
# Installs what building and testing Lumbrook Reverb needs on Debian 12:
# the native toolchain and test libraries, mingw-w64 for 32- and 64-bit
# Windows, Wine (32- and 64-bit) with its IDL files and fonts and the
# GStreamer plug-ins of both bitnesses that its WAVE Parser is made of, NSIS
# for the installer, Xvfb for the editor's screenshots,
# the LV2 and LADSPA headers and the hosts the Linux plug-ins are tested in
# (lilv's tools, ecasound, sox, GStreamer's lv2 element, Ardour 7 headless).
# Quick when everything is already there: it only asks apt for what is missing.
set -eu

packages="cmake make g++ googletest libgtest-dev libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine32:i386 wine64 libwine-dev:i386 fonts-wine nsis
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  xvfb xauth x11-apps imagemagick
  libsndfile1-dev pkg-config sox time python3
  lv2-dev ladspa-sdk lilv-utils sordi lv2file lv2proc ecasound clang-format
  gstreamer1.0-tools gstreamer1.0-plugins-bad ardour"

missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' ||
    missing="$missing $p"
done
[ -z "$missing" ] && exit 0

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

echo "setup: installing$missing" >&2
case " $(dpkg --print-foreign-architectures | tr '\n' ' ') " in
  *" i386 "*) ;;
  *) as_root dpkg --add-architecture i386 ;;
esac
as_root apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
