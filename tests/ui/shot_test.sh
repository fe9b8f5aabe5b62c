#!/usr/bin/env bash
# Every window q6k-shot knows renders to a PNG file of a plausible size.
set -euo pipefail
shot=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work"
n=0
for w in $("$shot" --list); do
  "$shot" "$w" "$work/$w.png" 2>/dev/null || { echo "FAIL: $w"; exit 1; }
  head -c 8 "$work/$w.png" | od -An -tx1 | grep -q '89 50 4e 47' || { echo "FAIL: $w is no PNG"; exit 1; }
  [ "$(stat -c %s "$work/$w.png")" -gt 500 ] || { echo "FAIL: $w is empty"; exit 1; }
  n=$((n + 1))
done
if "$shot" no-such-window "$work/x.png" 2>/dev/null; then echo "FAIL: unknown window accepted"; exit 1; fi
echo "windows rendered: $n passed, 0 failed"
