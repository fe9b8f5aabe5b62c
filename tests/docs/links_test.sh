#!/usr/bin/env bash
# Every relative link and picture of the project's documents points at a file
# that exists (a renamed picture otherwise leaves a broken image on the page).
set -euo pipefail
src=$1
bad=0 n=0
while IFS= read -r doc; do
  dir=$(dirname "$doc")
  # ](target) and ](target "title"); web addresses and page anchors aside.
  while IFS= read -r target; do
    target=${target%% \"*}
    target=${target%%#*}
    [ -z "$target" ] && continue
    case $target in *://*|mailto:*) continue ;; esac
    n=$((n + 1))
    path=$dir/${target//%20/ }
    if [ ! -e "$path" ]; then
      echo "FAIL: ${doc#"$src"/} links to $target, which does not exist"
      bad=$((bad + 1))
    fi
  done < <(grep -oE '\]\([^)]+\)' "$doc" | sed -E 's/^\]\(//; s/\)$//')
done < <(find "$src" -maxdepth 2 -name '*.md' -not -path '*/build*' | sort)
[ "$n" -gt 0 ] || { echo "FAIL: no links found under $src"; exit 1; }
echo "links checked: $n, broken: $bad"
[ "$bad" -eq 0 ]
