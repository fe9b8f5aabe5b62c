#!/usr/bin/env bash
# Our RTU-over-TCP client against pymodbus's TCP server with RTU framing, a
# Modbus implementation not written here.
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config
cleanup() { kill "${server:-}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

/usr/bin/python3 "$here/pymodbus_rtu_tcp_server.py" 7 >"$work/port" 2>"$work/server.log" &
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
echo "pymodbus RTU over TCP peer: 1 passed, 0 failed"
