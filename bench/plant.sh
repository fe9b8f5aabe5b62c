#!/usr/bin/env bash
# A plant of simulated serial device servers (RTU over TCP with wire timing at
# 38400 bit/s), each with its meters, brought to a golden file by
# "v6uvuv-cli apply"; not part of the tests.
#   bench/plant.sh [BUILD_DIR] [GATEWAYS] [METERS]
# 1. apply (every meter written) and apply --check with --jobs 1 and with the
#    default, and a plant of its one slowest line alone: the speed-up (target
#    >= 7x over 8 x 8) and the ratio to the slowest line (target <= 1.1);
# 2. the peak resident memory of apply over 64 lines x 32 meters (Modbus TCP,
#    no wire timing; target < 100 MB).
# Measured on the development machine (2 cores shared with other builds):
#   apply 8 x 8: --jobs 1 206.9 s, default 24.5 s (8.5x); one line 25.1 s (0.97)
#   check 8 x 8: --jobs 1  64.3 s, default  8.1 s (7.9x); one line  8.0 s (1.01)
#   apply 64 x 32 (2048 meters written): peak RSS 15.2 MB
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
gateways=${2:-8}
meters=${3:-8}
cli=$build/apps/v6uvuv-cli
sim=$build/apps/q6k-sim
[ -x "$cli" ] && [ -x "$sim" ] || { echo "build $cli and $sim first" >&2; exit 2; }
work=$(mktemp -d)
cleanup() { kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data

# A golden file that factory meters differ from in two lockouts.
"$cli" new 15 "$work/golden.cfg" >/dev/null
sed -i -e 's/^L902=0/L902=1/' -e 's/^L904=0/L904=1/' "$work/golden.cfg"
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# start_plant NAME GATEWAYS METERS KIND: simulators and NAME.yaml for them.
start_plant() {
  local name=$1 n=$2 m=$3 kind=$4
  echo "lines:" >"$work/$name.yaml"
  for g in $(seq "$n"); do
    local out="$work/$name-$g.out"
    if [ "$kind" = rtu-tcp ]; then
      "$sim" --rtu-tcp 0 --wire-timing --units "1-$m" --model 15 >"$out" &
    else
      "$sim" --tcp 0 --units "1-$m" --model 15 >"$out" &
    fi
    for _ in $(seq 100); do grep -qs ready "$out" && break; sleep 0.1; done
    local port
    port=$(sed -n 's/^\(RTU-\)\{0,1\}TCP 127.0.0.1:\([0-9]*\)$/\2/p' "$out" | head -n 1)
    printf '  - {name: g%s, link: %s, host: 127.0.0.1, service: %s, meters: [{address: "1-%s", file: golden.cfg}]}\n' \
      "$g" "$kind" "$port" "$m" >>"$work/$name.yaml"
  done
}
stop_plant() { kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; }
timed() { # prints the milliseconds of the command
  local t0
  t0=$(now_ms)
  "$@" >/dev/null || [ $? -eq 3 ]
  echo $(($(now_ms) - t0))
}

declare -A ms
for jobs in 1 default; do
  start_plant p "$gateways" "$meters" rtu-tcp
  opt=()
  [ "$jobs" = 1 ] && opt=(--jobs 1)
  ms[check-$jobs]=$(timed "$cli" apply "$work/p.yaml" --check "${opt[@]}")
  ms[apply-$jobs]=$(timed "$cli" apply "$work/p.yaml" "${opt[@]}")
  stop_plant
done
start_plant one 1 "$meters" rtu-tcp
ms[check-line]=$(timed "$cli" apply "$work/one.yaml" --check)
ms[apply-line]=$(timed "$cli" apply "$work/one.yaml")
stop_plant

for what in apply check; do
  awk -v w="$what" -v g="$gateways" -v m="$meters" -v one="${ms[$what-1]}" -v all="${ms[$what-default]}" \
    -v line="${ms[$what-line]}" 'BEGIN {
    printf "%-5s %d gateways x %d meters: --jobs 1 %d ms, default %d ms (%.1fx, target >= 7); one line %d ms (ratio %.2f, target <= 1.1)\n",
      w, g, m, one, all, one / all, line, all / line }'
done

start_plant big 64 32 tcp
/usr/bin/time -v -o "$work/time" "$cli" apply "$work/big.yaml" >"$work/big.out" || true
stop_plant
rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time")
printf 'apply 64 lines x 32 meters: %s peak RSS %d KB (target < 102400)\n' "$(tail -n 1 "$work/big.out")" "$rss"
