#!/bin/sh
# Fails when a C or C++ file of the tree differs from .clang-format, naming
# each one; `tools/check-format.sh --fix` rewrites them in place instead.
set -eu
cd "$(dirname "$0")/.."
files=$(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  printf '%s\n' $files | xargs clang-format -i
  exit 0
fi
bad=""
for f in $files; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
  echo "check-format: these files differ from .clang-format (tools/check-format.sh --fix):" >&2
  printf '  %s\n' $bad >&2
  exit 1
fi
