#!/bin/sh
# Runs every test: the native tree with ctest, the same tests again under
# AddressSanitizer and UBSan, then the 32-bit Windows tree under Wine
# (through ctest's emulator) in a throwaway 32-bit Wine prefix, and the
# 64-bit one in a throwaway 64-bit prefix (where its side-by-side tests run
# the 32-bit build too, and the installer). Installs what is missing first,
# and checks first that the sources match .clang-format.
# Exits non-zero when any test fails.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh
tools/check-format.sh

tools/build.sh native
(cd build/native && ctest --output-on-failure --timeout 600)

tools/build.sh sanitize
(cd build/sanitize && ctest --output-on-failure --timeout 900)

tools/build.sh win32
env -u DISPLAY tools/with-wine.sh sh -c 'cd build/win32 && ctest --output-on-failure --timeout 600'

tools/build.sh win64
env -u DISPLAY WINEARCH=win64 tools/with-wine.sh sh -c 'cd build/win64 && ctest --output-on-failure --timeout 600'
