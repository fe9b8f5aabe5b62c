#!/usr/bin/env bash
# Makes every picture of the README and the user guide from the real windows
# with q6k-shot, so that no picture is drawn by hand or left behind by a
# change. A picture is named after its window (`connect.png`); a name ending
# in "-ja" that is no window of its own is that window in Japanese.
#   scripts/pictures.sh [--check] [BUILD_DIR]
# --check renders nothing: it fails when the docs show a picture that no
# window makes, or when docs/images holds one that no page shows.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = "--check" ]; then check=1; shift; fi
build=${1:-build}
shot="$build/apps/q6k-shot"
[ -x "$shot" ] || { echo "pictures: $shot is missing; build first (./test.sh or cmake --build $build)" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"

mapfile -t windows < <("$shot" --list 2>/dev/null)
is_window() {
  local w
  for w in "${windows[@]}"; do [ "$w" = "$1" ] && return 0; done
  return 1
}

mapfile -t shown < <(grep -ho 'docs/images/[^)" ]*\.png\|(images/[^)" ]*\.png' README.md docs/*.md |
  sed 's|^(||; s|^docs/||; s|^images/||' | sort -u)
[ ${#shown[@]} -gt 0 ] || { echo "pictures: the docs show no picture" >&2; exit 1; }
declare -A isShown
for file in "${shown[@]}"; do isShown[$file]=1; done

status=0
for file in "${shown[@]}"; do
  name=${file%.png}
  if is_window "$name"; then
    args=("$name")
  elif [[ $name == *-ja ]] && is_window "${name%-ja}"; then
    args=(--language 1 "${name%-ja}")
  else
    echo "pictures: no window makes $file" >&2
    status=1
    continue
  fi
  if [ "$check" -eq 0 ]; then
    "$shot" "${args[@]}" "docs/images/$file" 2>/dev/null || { echo "pictures: q6k-shot ${args[*]} failed" >&2; status=1; }
  fi
done
for file in docs/images/*.png; do
  [ -n "${isShown[$(basename "$file")]:-}" ] || { echo "pictures: no page shows $file" >&2; status=1; }
done
if [ "$status" -eq 0 ] && [ "$check" -eq 0 ]; then echo "pictures: ${#shown[@]} made in docs/images"; fi
exit "$status"
