#!/usr/bin/env bash
# Installs the Debian package on this machine with dpkg, tries what it
# installed as a user would, and removes it again, checking that nothing is
# left behind. Needs root (or sudo). Usage: scripts/install-test.sh PACKAGE.deb
set -euo pipefail
deb=$(realpath "$1")
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

fail() { echo "install-test: $*" >&2; exit 1; }

if dpkg-query -W -f='${Status}' v6uvuv 2>/dev/null | grep -q 'ok installed'; then
  fail "v6uvuv is installed already; this test installs and removes it, so remove it first"
fi

work=$(mktemp -d)
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
  if dpkg-query -W -f='${Status}' v6uvuv 2>/dev/null | grep -q 'ok installed'; then
    $SUDO dpkg --purge v6uvuv >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Minimal images leave manual pages and documents out; this package's are
# part of what is tested.
$SUDO dpkg --path-include='/usr/share/man/*' --path-include='/usr/share/doc/v6uvuv/*' -i "$deb" >/dev/null

# A user of our own: no settings of the builder's are read or written.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
mkdir -p "$HOME"
cd "$work"

models=$(v6uvuv-cli models | wc -l)
[ "$models" -eq 154 ] || fail "v6uvuv-cli models listed $models models, not 154"
# Output is taken whole before it is searched: grep -q stops reading at the
# first match, and under pipefail the writer's SIGPIPE would fail the check.
sim_help=$(q6k-sim --help) || fail "q6k-sim --help failed"
grep -q -- '--tcp PORT' <<<"$sim_help" || fail "q6k-sim --help shows no help"
man -w v6uvuv-cli >/dev/null || fail "man -w v6uvuv-cli finds no manual page"
man -w v6uvuv >/dev/null && man -w q6k-sim >/dev/null || fail "a manual page is missing"

# The installed programs work together: a meter from the simulator uploaded
# into a file that the file type then recognises.
q6k-sim --model 15 --tcp 0 >"$work/sim.out" &
sim_pid=$!
for _ in $(seq 50); do grep -q '^ready' "$work/sim.out" && break; sleep 0.1; done
port=$(sed -n 's/^TCP 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/sim.out")
[ -n "$port" ] || fail "q6k-sim did not start"
v6uvuv-cli --link tcp --host 127.0.0.1 --service "$port" upload meter.cfg >/dev/null
v6uvuv-cli --link tcp --host 127.0.0.1 --service "$port" report meter.cfg --compare-device --pdf meter.pdf >/dev/null ||
  fail "report --pdf of the installed package failed"
[ "$(head -c 5 meter.pdf)" = "%PDF-" ] || fail "report --pdf wrote no PDF"
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=""
if command -v gio >/dev/null; then
  type=$(gio info -a standard::content-type meter.cfg | sed -n 's/.*content-type: //p')
  [ "$type" = application/x-q6k-config ] || fail "meter.cfg is $type, not application/x-q6k-config"
  printf '[General]\nwidth=3\n' >other.cfg
  type=$(gio info -a standard::content-type other.cfg | sed -n 's/.*content-type: //p')
  [ "$type" != application/x-q6k-config ] || fail "another program's .cfg file was claimed"
fi

# The window program, offscreen, in Japanese: it paints its main window and
# ends. Without its installed Japanese module it would stop at a message box.
mkdir -p "$XDG_CONFIG_HOME/TRELVANE"
printf '[Settings]\nDeviceId=15\nDisplayLanguage=1\n' >"$XDG_CONFIG_HOME/TRELVANE/V6UVUV.conf"
QT_QPA_PLATFORM=offscreen V6UVUV_EXIT_AFTER_FIRST_PAINT=1 timeout 30 v6uvuv meter.cfg >"$work/gui.out" 2>&1 ||
  fail "v6uvuv did not start offscreen: $(cat "$work/gui.out")"
grep -q '^painted$' "$work/gui.out" || fail "v6uvuv painted no window"

files=$(dpkg-query -L v6uvuv)
$SUDO dpkg --purge v6uvuv >/dev/null
while read -r f; do
  [ -d "$f" ] && continue
  if [ -e "$f" ]; then fail "$f is still there after the package was removed"; fi
done <<<"$files"
for d in /usr/share/v6uvuv /usr/share/doc/v6uvuv; do
  if [ -e "$d" ]; then fail "$d is still there after the package was removed"; fi
done
if command -v gio >/dev/null; then
  type=$(gio info -a standard::content-type meter.cfg | sed -n 's/.*content-type: //p')
  [ "$type" != application/x-q6k-config ] || fail "the file type is still known after the package was removed"
fi
echo "install-test: installed, tried and removed $(basename "$deb")"
