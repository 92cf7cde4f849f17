# Shared by the host's shell tests (sourced): a scratch folder removed on
# exit (after CLEANUP, if set), failures counted, Windows paths for Wine and
# the WAV helper.
scratch=$(mktemp -d)
trap 'eval "${CLEANUP:-:}"; rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
win() { printf 'Z:%s' "$1" | tr / '\\'; }
wav() { python3 "$here/wav_tool.py" "$@"; }
# The verdict, as the script's exit status.
finish() { [ $failures -eq 0 ] && echo "passed" || exit 1; }
