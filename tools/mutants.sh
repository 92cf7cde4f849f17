#!/bin/sh
# Plants each fault of tools/mutants.list, one at a time, in a scratch copy
# of the tree (build/mutants, kept between runs so that rebuilds stay small),
# rebuilds what the fault's named test runs, runs that test alone and prints
# the fault as killed, or SURVIVED unless that very test fails. The tests are
# found by their ctest labels (the record's, or its folder's). Exits non-zero
# when a fault survives, does not build, names no killer, or when an original
# text no longer matches the code exactly once.
# Usage: tools/mutants.sh [--only REGEX] [--check] [--find-killers] [--jobs N]
#   --only REGEX    only the faults whose description or file matches
#   --check         only check that the list still matches the code
#   --find-killers  run every test of each fault's labels instead, and write
#                   the first one that fails into the record as its killer
# The Windows tests run under Wine in a throwaway prefix, as tools/test.sh does.
set -eu
cd "$(dirname "$0")/.."
case " $* " in
  *" --check "*) exec python3 tools/mutants.py "$@" ;;
esac
exec env -u DISPLAY tools/with-wine.sh python3 tools/mutants.py "$@"
