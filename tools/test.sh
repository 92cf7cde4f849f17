#!/bin/sh
# Runs every test: the native tree with ctest, the same tests again under
# AddressSanitizer and UBSan, then the Windows tree under Wine
# (through ctest's emulator) in a throwaway Wine prefix. Installs what is
# missing first, and checks first that the sources match .clang-format.
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
