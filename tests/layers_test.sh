#!/usr/bin/env bash
# The folders point one way: the core knows nothing of Qt or the windows; the
# helpers every window uses (ui/common) know no window; no window includes the
# main window's folder (ui/app), which sits on top of them all. The report's
# pages (src/report) use Qt Gui alone, since the command line links them.
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
while IFS= read -r hit; do complain "the report pages reach the widgets: $hit"; done \
  < <(grep -rnE '#include [<"](ui/|QtWidgets|QtPrintSupport|QApplication|QWidget|QDialog|QPrint)' "$src/report" || true)
while IFS= read -r hit; do complain "the report library links more than Qt Gui: $hit"; done \
  < <(grep -nE 'Widgets|PrintSupport' "$src/report/CMakeLists.txt" || true)
[ -d "$src/core" ] && [ -d "$src/ui/common" ] && [ -d "$src/report" ] || { echo "FAIL: no source tree at $src"; exit 1; }
echo "include directions: $bad wrong"
[ "$bad" -eq 0 ]
