#!/usr/bin/env bash
# The sources follow .clang-format: lists every file clang-format would
# change. Fix with: clang-format -i FILE (or over the whole tree).
#   format_test.sh SOURCE_DIR
set -euo pipefail
cd "$1"
command -v clang-format >/dev/null || { echo "FAIL: clang-format is missing (scripts/install-deps.sh installs it)"; exit 1; }
mapfile -t files < <(find src apps tests fuzz bench -name '*.cpp' -o -name '*.h' | sort)
[ ${#files[@]} -gt 0 ] || { echo "FAIL: no sources found"; exit 1; }
bad=0
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || { echo "not formatted: $f"; bad=$((bad + 1)); }
done
echo "files checked: ${#files[@]}, not formatted: $bad"
[ "$bad" -eq 0 ]
