#!/usr/bin/env bash
# A line of meters against the simulator at 38400 bit/s with wire timing; not
# part of the tests.
#   bench/bus.sh [ROUNDS]
# 1. scan of addresses 1-247 with 3 meters on the line: the time, the scan
#    time-out, and the floor the silent addresses set (their time-out and the
#    pause after it each); then the line window's scan of the same line;
# 2. one golden file downloaded to 8 meters in one run, against 8 downloads
#    of one meter each (medians of ROUNDS runs).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target q6k-sim v6uvuv-cli window_bench >/dev/null
work=$(mktemp -d)
cleanup() { kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
export XDG_CONFIG_HOME="$work" # the user's stored connection settings stay out of it
cli=build/apps/v6uvuv-cli

start_bus() { # UNITS NAME
  build/apps/q6k-sim --units "$1" --model 15 --rtu --wire-timing --baud 38400 --parity odd \
    --link "$work/$2" >"$work/$2.out" &
  for _ in $(seq 50); do grep -q ready "$work/$2.out" && return; sleep 0.1; done
  echo "bench: the simulator did not start" >&2
  exit 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

start_bus 5,77,200 scan
line=(--link rtu --port "$work/scan" --baud 38400 --parity odd)
for _ in $(seq "$rounds"); do
  t0=$(now_ms)
  "$cli" "${line[@]}" scan --json >"$work/scan.json"
  echo $(($(now_ms) - t0))
done >"$work/scan.times"
found=$(grep -c '"address"' "$work/scan.json")
timeout=$(sed -n 's/.*"timeout_ms": \([0-9]*\).*/\1/p' "$work/scan.json")
# 120000 / 38400 + 1 ms: the pause the link keeps after every answer or time-out.
floor=$((244 * (timeout + 4)))
printf 'Scan 1-247, 38400 bit/s, 3 meters (%s found): %s ms (median of %s); time-out %s ms; floor of the 244 silent addresses %s ms\n' \
  "$found" "$(median <"$work/scan.times")" "$rounds" "$timeout" "$floor"

build/bench/window_bench line "$work/scan" "$rounds"

start_bus 1-8 fleet
line=(--link rtu --port "$work/fleet" --baud 38400 --parity odd)
"$cli" new 15 "$work/golden.cfg"
"$cli" "${line[@]}" --address 1 download "$work/golden.cfg" # warm-up
for _ in $(seq "$rounds"); do
  t0=$(now_ms)
  "$cli" "${line[@]}" download "$work/golden.cfg" --address 1-8 >/dev/null
  t1=$(now_ms)
  # One meter a run, the whole image as a single download writes it (the
  # address words are the file's 1: meter 1 keeps its own, the others move
  # there, which a simulator does not follow).
  for a in 1 2 3 4 5 6 7 8; do "$cli" "${line[@]}" --address "$a" download "$work/golden.cfg"; done
  t2=$(now_ms)
  echo "$((t1 - t0)) $((t2 - t1))"
done >"$work/fleet.times"
fleet=$(cut -d' ' -f1 "$work/fleet.times" | median)
single=$(cut -d' ' -f2 "$work/fleet.times" | median)
awk -v f="$fleet" -v s="$single" -v r="$rounds" 'BEGIN {
  printf "Download to 8 meters, 38400 bit/s: one run %d ms, 8 single downloads %d ms (medians of %d), ratio %.3f (target <= 1.05)\n", f, s, r, f / s }'
