#!/usr/bin/env bash
# Our RTU-over-TCP client against pymodbus's TCP server with RTU framing, a
# Modbus implementation not written here: plain reads and writes, then the
# whole work on a meter (upload, scan, download) with pymodbus holding the
# registers a simulated meter answered an upload with.
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
sim_bin=$(dirname "$cli")/q6k-sim
cleanup() {
  kill "${server:-}" "${sim:-}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The registers a meter answers an upload with: the requests of an upload
# from the simulator (its trace names them one above the wire address), each
# read again to learn its values.
"$sim_bin" --model 15 --address 7 --serial PEER0007 --rtu-tcp 0 >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q '^RTU-TCP ' "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
simlink="--link rtu-tcp --host 127.0.0.1 --service $(sed -n 's/^RTU-TCP 127.0.0.1://p' "$work/sim.out") --address 7"
"$cli" $simlink --trace upload "$work/sim.cfg" 2>"$work/trace" >/dev/null
sed -n 's/^ReadHoldingRegisters: adrs=\([0-9]*\) size=\([0-9]*\)$/\1 \2/p' "$work/trace" | sort -un |
  while read -r a n; do "$cli" $simlink read $((a - 1)) "$n"; done >"$work/registers"
kill "$sim"

/usr/bin/python3 "$here/pymodbus_rtu_tcp_server.py" 7 "$work/registers" >"$work/port" 2>"$work/server.log" &
server=$!
fail() { echo "FAIL: $*"; cat "$work/server.log"; exit 1; }
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -n1 "$work/port")
[ -n "$port" ] || fail "the server printed no port"
link="--link rtu-tcp --host 127.0.0.1 --service $port --baud 19200 --address 7"

out=$("$cli" $link read 100 3) || fail "read"
[ "$out" = $'100 11\n101 22\n102 33' ] || fail "read gave: $out"

"$cli" $link write 200 1 65535 4660 || fail "write"
out=$("$cli" $link read 200 3) || fail "read back"
[ "$out" = $'200 1\n201 65535\n202 4660' ] || fail "read back gave: $out"

# Another unit stays silent, as on the server's line: a time-out.
if err=$("$cli" --link rtu-tcp --host 127.0.0.1 --service "$port" --baud 19200 --address 8 read 0 2>&1); then
  fail "unit 8 answered"
fi
case "$err" in *"reason=timeout."*) ;; *) fail "unit 8 gave: $err";; esac
# The meter's work: the same file as from the simulator, the meter found by a
# scan, and a download verified and read back.
"$cli" $link upload "$work/peer.cfg" >/dev/null || fail "upload"
cmp -s "$work/sim.cfg" "$work/peer.cfg" || fail "upload differs: $(diff "$work/sim.cfg" "$work/peer.cfg" | head)"
out=$("$cli" --link rtu-tcp --host 127.0.0.1 --service "$port" --baud 19200 scan --from 5 --to 9) || fail "scan"
[ "$(cut -f1,2 <<<"$out")" = $'7\t15' ] || fail "scan gave: $out"
grep -q '^L1053=50000$' "$work/peer.cfg" || fail "the span is not 50000"
sed 's/^L1053=50000$/L1053=40000/' "$work/peer.cfg" >"$work/edited.cfg"
out=$("$cli" $link download "$work/edited.cfg") || fail "download: $out"
case "$out" in *"Downloaded and verified: 1 parameter(s) changed."*) ;; *) fail "download said: $out";; esac
"$cli" $link upload "$work/back.cfg" >/dev/null || fail "upload after the download"
cmp -s "$work/edited.cfg" "$work/back.cfg" || fail "the download did not hold: $(diff "$work/edited.cfg" "$work/back.cfg" | head)"
echo "pymodbus RTU over TCP peer: 2 passed, 0 failed"
