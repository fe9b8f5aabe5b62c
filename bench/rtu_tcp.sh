#!/usr/bin/env bash
# An upload through a serial device server (Modbus RTU over TCP) against the
# same upload over a serial line, both from the simulator with wire timing at
# 38400 bit/s 8O1; not part of the tests.
#   bench/rtu_tcp.sh [ROUNDS]     (BUILD_DIR: the build folder, default build)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
build=${BUILD_DIR:-build}
if [ -z "${BUILD_DIR:-}" ]; then
  ./scripts/install-deps.sh
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target q6k-sim v6uvuv-cli >/dev/null
work=$(mktemp -d)
cleanup() { kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
export XDG_CONFIG_HOME="$work" # the user's stored connection settings stay out of it
cli=$build/apps/v6uvuv-cli
sim=$build/apps/q6k-sim

"$sim" --model 15 --rtu --wire-timing --baud 38400 --parity odd --link "$work/meter" >"$work/rtu.out" &
"$sim" --model 15 --rtu-tcp 0 --wire-timing --baud 38400 --parity odd >"$work/rtu-tcp.out" &
for _ in $(seq 50); do grep -q ready "$work/rtu.out" && grep -q ready "$work/rtu-tcp.out" && break; sleep 0.1; done
port=$(sed -n 's/^RTU-TCP 127.0.0.1://p' "$work/rtu-tcp.out")
now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

serial=(--link rtu --port "$work/meter" --baud 38400 --parity odd)
server=(--link rtu-tcp --host 127.0.0.1 --service "$port" --baud 38400)
"$cli" "${serial[@]}" upload "$work/warm.cfg" >/dev/null # warm-up
for _ in $(seq "$rounds"); do
  t0=$(now_ms)
  "$cli" "${serial[@]}" upload "$work/serial.cfg" >/dev/null
  t1=$(now_ms)
  "$cli" "${server[@]}" upload "$work/server.cfg" >/dev/null
  t2=$(now_ms)
  echo "$((t1 - t0)) $((t2 - t1))"
done >"$work/times"
cmp -s "$work/serial.cfg" "$work/server.cfg" || echo "bench: the two uploads differ" >&2
line=$(cut -d' ' -f1 "$work/times" | median)
tcp=$(cut -d' ' -f2 "$work/times" | median)
awk -v l="$line" -v t="$tcp" -v r="$rounds" 'BEGIN {
  printf "Upload at 38400 bit/s with wire timing: serial line %d ms, serial device server (RTU over TCP) %d ms (medians of %d), ratio %.3f\n", l, t, r, t / l }'
