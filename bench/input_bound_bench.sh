#!/usr/bin/env bash
# Peak resident memory and time of "v6uvuv-cli report" on files of blank
# lines: 10 MB (over the 1 MB bound: refused after reading the bound and one
# byte) and a real configuration file padded to 900 KB (read whole). Not part
# of the tests. Measured on the development machine (2 shared cores):
#   blank-10M    peak RSS 4.4 MB, 0.00 s, refused with its size (before the
#                bound: 536 MB and 11 s, the lines kept one string each)
#   padded-900K  peak RSS 3.4 MB, 0.01 s; a plain 1.2 KB file 3.0 MB
#   bench/input_bound_bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cli=$build/apps/v6uvuv-cli
[ -x "$cli" ] || { echo "build $cli first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data

"$cli" new 15 "$work/real.cfg" >/dev/null
head -c $((10 * 1024 * 1024)) /dev/zero | tr '\0' '\n' >"$work/blank-10M.cfg"
{ head -c $((450 * 1024)) /dev/zero | tr '\0' '\n'; cat "$work/real.cfg"; head -c $((450 * 1024)) /dev/zero | tr '\0' '\n'; } \
  >"$work/padded-900K.cfg"
"$cli" new 15 "$work/plain.cfg" >/dev/null

for f in blank-10M padded-900K plain; do
  size=$(stat -c %s "$work/$f.cfg")
  /usr/bin/time -f "%M %e %x" -o "$work/time" "$cli" report "$work/$f.cfg" >/dev/null 2>"$work/err" || true
  read -r kb seconds status < <(tail -n 1 "$work/time")
  printf '%-12s %9d bytes  peak RSS %6d KB  %5.2f s  exit %s  %s\n' "$f" "$size" "$kb" "$seconds" "$status" \
    "$(head -c 100 "$work/err" | tr '\n' ' ')"
done
