#!/usr/bin/env bash
# Upload benchmarks against the meter simulator; not part of the tests.
#   bench/run.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-20}
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target upload_bench q6k-sim >/dev/null
work=$(mktemp -d)
cleanup() { kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

build/apps/q6k-sim --model 15 --tcp 0 >"$work/tcp" &
build/apps/q6k-sim --model 15 --rtu --wire-timing --baud 38400 --parity odd --link "$work/meter" >"$work/rtu" &
for _ in $(seq 50); do grep -q ready "$work/tcp" && grep -q ready "$work/rtu" && break; sleep 0.1; done
port=$(sed -n 's/^TCP 127.0.0.1://p' "$work/tcp")

build/bench/upload_bench tcp "$port" "$rounds"
build/bench/upload_bench rtu "$work/meter" "$((rounds / 10 + 1))"
