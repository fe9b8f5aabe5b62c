#!/usr/bin/env bash
# Installs the build under a staging folder with a prefix of its own and
# checks what landed where: every file inside the prefix, the programs, the
# Japanese module found by the installed window program, the desktop files
# valid. Usage: install_tree.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_tree: $*" >&2; exit 1; }

prefix=/opt/q6k-test
DESTDIR="$work/stage" cmake --install "$build" --prefix "$prefix" >/dev/null
outside=$(cd "$work/stage" && find . -mindepth 1 ! -type d | grep -v "^\.$prefix/" || true)
[ -z "$outside" ] || fail "written outside the prefix: $outside"

root="$work/stage$prefix"
for f in bin/v6uvuv bin/v6uvuv-cli bin/q6k-sim libexec/v6uvuv/v6uvuv-cli-pdf share/v6uvuv/V6UVUV_jpn.txt \
         share/applications/v6uvuv.desktop share/mime/packages/v6uvuv.xml \
         share/metainfo/org.v6uvuv.v6uvuv.metainfo.xml \
         share/icons/hicolor/scalable/apps/v6uvuv.svg share/icons/hicolor/48x48/apps/v6uvuv.png \
         share/man/man1/v6uvuv.1.gz share/man/man1/v6uvuv-cli.1.gz share/man/man1/q6k-sim.1.gz \
         share/doc/v6uvuv/user-guide.md share/doc/v6uvuv/copyright; do
  [ -s "$root/$f" ] || fail "$f is not installed"
done
if [ -e "$root/bin/q6k-shot" ]; then fail "q6k-shot, a documentation tool, is installed"; fi

# Each output is taken whole before it is searched: grep -q stops reading at
# the first match, and under pipefail the writer's SIGPIPE would fail the check.
gui_help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/v6uvuv" --help) || fail "v6uvuv --help failed"
grep -q '^Usage: v6uvuv \[FILE.cfg\]' <<<"$gui_help" ||
  fail "v6uvuv --help needs no display and shows the usage"
"$root/bin/v6uvuv-cli" --version | grep -qx 'v6uvuv-cli [0-9.]*' || fail "v6uvuv-cli --version"
cli_manual=$(zcat "$root/share/man/man1/v6uvuv-cli.1.gz")
grep -q -- 'download' <<<"$cli_manual" || fail "the CLI manual page lacks its commands"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/v6uvuv.desktop"
fi

# The installed command line, away from the build tree, finds the twin that
# writes its PDF reports in the private program folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
"$root/bin/v6uvuv-cli" new 15 "$work/plan.cfg" >/dev/null
"$root/bin/v6uvuv-cli" report "$work/plan.cfg" --pdf "$work/plan.pdf" >"$work/pdf.out" 2>&1 ||
  fail "report --pdf of the installed command line: $(cat "$work/pdf.out")"
[ "$(head -c 5 "$work/plan.pdf")" = "%PDF-" ] || fail "report --pdf wrote no PDF"

# The installed window program, moved away from the build tree, finds its
# Japanese texts in its own data folder: without them it would stop at the
# message that the module cannot be loaded instead of painting.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$XDG_CONFIG_HOME/TRELVANE"
printf '[Settings]\nDeviceId=15\nDisplayLanguage=1\n' >"$XDG_CONFIG_HOME/TRELVANE/V6UVUV.conf"
out=$(QT_QPA_PLATFORM=offscreen V6UVUV_EXIT_AFTER_FIRST_PAINT=1 timeout 30 "$root/bin/v6uvuv" 2>&1) ||
  fail "the installed v6uvuv did not paint: $out"
grep -qx painted <<<"$out" || fail "the installed v6uvuv painted nothing: $out"
mv "$root/share/v6uvuv" "$root/share/v6uvuv.away"
if QT_QPA_PLATFORM=offscreen V6UVUV_EXIT_AFTER_FIRST_PAINT=1 timeout 5 "$root/bin/v6uvuv" >/dev/null 2>&1; then
  fail "v6uvuv painted in Japanese without its module: the check above proves nothing"
fi
echo "install_tree: ok"
