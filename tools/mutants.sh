#!/bin/sh
# Plants each fault of tools/mutants.list, one at a time, in a scratch copy
# of the tree (build/mutants, kept between runs so that rebuilds stay small),
# rebuilds what the fault touches, runs the tests that can see it and prints
# it as killed or SURVIVED. Exits non-zero when a fault survives, does not
# build, or when an original text no longer matches the code exactly once.
# Usage: tools/mutants.sh [--only REGEX] [--check] [--jobs N]
#   --only REGEX  only the faults whose description or file matches
#   --check       only check that the list still matches the code
# The Windows tests run under Wine in a throwaway prefix, as tools/test.sh does.
set -eu
cd "$(dirname "$0")/.."
case " $* " in
  *" --check "*) exec python3 tools/mutants.py "$@" ;;
esac
exec env -u DISPLAY tools/with-wine.sh python3 tools/mutants.py "$@"
