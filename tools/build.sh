#!/bin/sh
# Configures and builds a tree: native (build/native), sanitize (build/sanitize:
# native with AddressSanitizer and UBSan, for the tests), win32 (build/win32,
# which also installs the plug-in's files into dist/win32) or win64
# (build/win64 and dist/win64, the same for 64-bit Windows, and the installer
# dist/LumbrookReverb-setup.exe with both; it builds win32 first).
# Usage: tools/build.sh native|sanitize|win32|win64 [more cmake --build arguments]
set -eu
cd "$(dirname "$0")/.."
tree=$1
shift
case "$tree" in
  native) cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null ;;
  sanitize) cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
              -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all" >/dev/null ;;
  win32) cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
           -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake >/dev/null ;;
  # Its installer and side-by-side tests take the 32-bit programs from
  # build/win32/bin: that tree first.
  win64) "$0" win32
         cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release \
           -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake >/dev/null ;;
  *) echo "usage: tools/build.sh native|sanitize|win32|win64" >&2; exit 2 ;;
esac
cmake --build "build/$tree" -j"$(nproc)" "$@"
