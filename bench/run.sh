#!/usr/bin/env bash
# Benchmarks, not part of the tests: uploads, the safe download and a monitor
# cycle against the meter simulator, the main window's start-up and refresh,
# and the report's fill.
#   bench/run.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-20}
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target upload_bench process_bench modbus_upload_client q6k-sim v6uvuv-cli \
  window_bench bare_dialog v6uvuv monitor_bench safe_download_bench >/dev/null
work=$(mktemp -d)
# The whole-process runs save on a tmpfs where there is one: the disk's fsync,
# which both programs pay, would otherwise drown the difference.
out=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
cleanup() { kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work" "$out"; }
trap cleanup EXIT

build/apps/q6k-sim --model 15 --tcp 0 >"$work/tcp" &
build/apps/q6k-sim --model 15 --rtu --wire-timing --baud 38400 --parity odd --link "$work/meter" >"$work/rtu" &
build/apps/q6k-sim --model 153 --tcp 0 >"$work/tcp153" &
# The safe download writes: a meter of its own.
build/apps/q6k-sim --model 15 --rtu --wire-timing --baud 38400 --parity odd --link "$work/written" >"$work/rtu2" &
# Every 9th request answered 750 ms late, its retry at once.
build/apps/q6k-sim --model 15 --rtu --wire-timing --baud 38400 --parity odd --late-first 750 --fault-every 9 \
  --link "$work/late" >"$work/rtu3" &
for _ in $(seq 50); do
  grep -q ready "$work/tcp" && grep -q ready "$work/rtu" && grep -q ready "$work/tcp153" && grep -q ready "$work/rtu2" &&
    grep -q ready "$work/rtu3" && break
  sleep 0.1
done
port=$(sed -n 's/^TCP 127.0.0.1://p' "$work/tcp")
port153=$(sed -n 's/^TCP 127.0.0.1://p' "$work/tcp153")

build/bench/upload_bench tcp "$port" "$rounds"
build/bench/upload_bench rtu "$work/meter" "$((rounds / 10 + 1))"
build/bench/upload_bench rtu-late "$work/meter" "$work/late" 9 750 "$((rounds / 10 + 1))"
build/bench/safe_download_bench "$work/written" "$((rounds / 10 + 3))"
build/bench/monitor_bench "$port" "$rounds"
# The stored connection settings of the user stay out of it.
XDG_CONFIG_HOME="$work" build/bench/process_bench build/apps/v6uvuv-cli build/bench/modbus_upload_client \
  "$port153" 153 "$((rounds * 10))" "$out"

# The window program on a settings folder of its own, so the user's stay out.
XDG_CONFIG_HOME="$work" build/bench/window_bench startup build/apps/v6uvuv build/bench/bare_dialog "$((rounds + 10))" 2>/dev/null
XDG_CONFIG_HOME="$work" build/bench/window_bench refresh "$rounds" 2>/dev/null
XDG_CONFIG_HOME="$work" build/bench/window_bench report "$rounds" 2>/dev/null
