#!/usr/bin/env bash
# Our RTU client against pymodbus, a Modbus implementation not written here,
# over a socat pseudo-terminal pair.
set -euo pipefail
cli=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
export XDG_CONFIG_HOME=$work/config
cleanup() { kill "${server:-}" "${socat_pid:-}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

socat pty,raw,echo=0,link="$work/meter" pty,raw,echo=0,link="$work/pc" &
socat_pid=$!
for _ in $(seq 50); do [ -e "$work/meter" ] && [ -e "$work/pc" ] && break; sleep 0.1; done

# pyserial refuses parity on a pseudo-terminal, so the line runs 8N1 here.
/usr/bin/python3 "$here/pymodbus_rtu_server.py" "$work/meter" 19200 N 7 2>"$work/server.log" &
server=$!
link="--link rtu --port $work/pc --baud 19200 --parity none --address 7"
fail() { echo "FAIL: $*"; cat "$work/server.log"; exit 1; }

# The server takes a moment to start: the first read may time out.
out=""
for _ in $(seq 20); do out=$("$cli" $link read 100 3 2>/dev/null) && break; sleep 0.5; done
[ "$out" = $'100 11\n101 22\n102 33' ] || fail "read gave: $out"

"$cli" $link write 200 1 65535 4660 || fail "write"
out=$("$cli" $link read 200 3) || fail "read back"
[ "$out" = $'200 1\n201 65535\n202 4660' ] || fail "read back gave: $out"

# A single-register write still goes out as function 16.
"$cli" $link write 300 42 || fail "single write"
out=$("$cli" $link read 300) || fail "single read"
[ "$out" = "300 42" ] || fail "single read gave: $out"

# Another unit stays silent: a time-out, reported as such.
if err=$("$cli" --link rtu --port "$work/pc" --baud 19200 --parity none --address 8 read 0 2>&1); then
  fail "unit 8 answered"
fi
case "$err" in *"reason=timeout."*) ;; *) fail "unit 8 gave: $err";; esac
echo "pymodbus RTU peer: 1 passed, 0 failed"
