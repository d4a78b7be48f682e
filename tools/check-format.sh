#!/usr/bin/env bash
# Fails when a C++ file is not formatted by .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find src tests tools bench demo -name '*.cpp' -o -name '*.h')
[ -z "$files" ] && exit 0
bad=0
for f in $files; do
  [ -f "$f" ] || continue
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    echo "format: $f needs clang-format" >&2; bad=1
  fi
done
exit $bad
