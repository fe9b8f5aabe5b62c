#!/usr/bin/env bash
# The folders point one way: the core knows nothing of Qt or the windows; the
# helpers every window uses (ui/common) know no window; no window includes the
# main window's folder (ui/app), which sits on top of them all.
set -euo pipefail
src=$1/src
bad=0
complain() { echo "FAIL: $1"; bad=$((bad + 1)); }
while IFS= read -r hit; do complain "core reaches the window layer: $hit"; done \
  < <(grep -rnE '#include [<"](Q[A-Za-z]+|ui/[^"]*)[">]' "$src/core" || true)
while IFS= read -r hit; do complain "a helper every window uses includes a window: $hit"; done \
  < <(grep -rnE '#include "ui/' "$src/ui/common" | grep -v '#include "ui/common/' || true)
while IFS= read -r hit; do complain "a window below the main window includes its folder: $hit"; done \
  < <(grep -rn '#include "ui/app/' "$src/ui" --exclude-dir=app || true)
[ -d "$src/core" ] && [ -d "$src/ui/common" ] || { echo "FAIL: no source tree at $src"; exit 1; }
echo "include directions: $bad wrong"
[ "$bad" -eq 0 ]
