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
# Any window in Japanese; an installed program finds the module in its data
# folder, and without one the Japanese picture is refused, not made in English.
"$shot" --language 1 connect "$work/connect-ja.png" 2>/dev/null || { echo "FAIL: connect in Japanese"; exit 1; }
mkdir -p "$work/prefix/bin" "$work/prefix/share/v6uvuv"
cp "$shot" "$work/prefix/bin/"
if "$work/prefix/bin/q6k-shot" language-ja "$work/x.png" 2>/dev/null; then echo "FAIL: Japanese without a module"; exit 1; fi
cp "$(dirname "$shot")/V6UVUV_jpn.txt" "$work/prefix/share/v6uvuv/"
"$work/prefix/bin/q6k-shot" language-ja "$work/x.png" 2>/dev/null || { echo "FAIL: module in share/v6uvuv not found"; exit 1; }
if "$shot" no-such-window "$work/x.png" 2>/dev/null; then echo "FAIL: unknown window accepted"; exit 1; fi
echo "windows rendered: $n passed, 0 failed"
