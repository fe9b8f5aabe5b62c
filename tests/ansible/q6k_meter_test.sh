#!/usr/bin/env bash
# The Ansible collection's module through Debian's ansible-playbook, running
# the user guide's example playbook against two simulated sites on this
# machine (a Modbus TCP gateway with two meters, a serial device server with
# one): check mode writes nothing and shows the differences, the first run
# writes and verifies, the second changes nothing, and a meter that cannot
# take its file fails with the program's message.
set -euo pipefail
cli=$1
repo=$(cd "$(dirname "$0")/../.." && pwd)
sim_bin=$(dirname "$cli")/q6k-sim
work=$(mktemp -d)
cleanup() {
  kill "${sim_a:-}" "${sim_b:-}" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ -f "$work/out" ] && cat "$work/out"
  exit 1
}

cd "$work" # no ansible.cfg of the caller's folder applies
export LC_ALL=C.UTF-8 # ansible refuses any other locale encoding
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
export ANSIBLE_HOME=$work/ansible ANSIBLE_LOCAL_TEMP=$work/ansible/tmp ANSIBLE_NOCOLOR=1
export ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_COLLECTIONS_PATH=$work/collections
mkdir -p "$work/collections/ansible_collections/v6uvuv" "$work/golden" "$work/record"
ln -s "$repo/ansible" "$work/collections/ansible_collections/v6uvuv/q6k"

start_sim() { # OUTPUT-FILE OPTIONS...
  local out=$1
  shift
  "$sim_bin" "$@" >"$out" 2>&1 &
  for _ in $(seq 100); do grep -q '^ready' "$out" 2>/dev/null && break; sleep 0.1; done
}
start_sim "$work/sim-a.out" --tcp 0 --units 1-2
sim_a=$!
start_sim "$work/sim-b.out" --rtu-tcp 0 --units 5 --serial SITEB005
sim_b=$!
port_a=$(sed -n 's/^TCP 127.0.0.1://p' "$work/sim-a.out")
port_b=$(sed -n 's/^RTU-TCP 127.0.0.1://p' "$work/sim-b.out")
[ -n "$port_a" ] && [ -n "$port_b" ] || fail "the simulators did not start"
link_a="--link tcp --host 127.0.0.1 --service $port_a"
link_b="--link rtu-tcp --host 127.0.0.1 --service $port_b --baud 38400"

# The released file: unit 1's own settings with one value changed, so every
# meter differs from it in that value only (and unit 2 and unit 5 in their
# address, which keep_link keeps).
"$cli" $link_a --address 1 upload "$work/golden/flow.cfg" >/dev/null
sed -i 's/^L1052=10000$/L1052=20000/' "$work/golden/flow.cfg"
grep -q '^L1052=20000$' "$work/golden/flow.cfg" || fail "the uploaded file has no L1052=10000"
"$cli" new 16 "$work/golden/other-model.cfg" >/dev/null

inventory() { # FILE-OF-UNIT-2
  cat >"$work/inventory.yml" <<EOF
q6k_sites:
  vars:
    ansible_connection: local
    ansible_python_interpreter: /usr/bin/python3
    q6k_files: $work/golden
    q6k_golden: "$work/{{ inventory_hostname }}/golden"
    q6k_cli: $cli
    q6k_record: $work/record
  hosts:
    site-a:
      q6k_lines:
        - name: gateway-a
          link: tcp
          host: 127.0.0.1
          service: $port_a
          meters:
            - {address: 1, file: flow.cfg}
            - {address: 2, file: $1}
    site-b:
      q6k_lines:
        - name: server-b
          link: rtu-tcp
          host: 127.0.0.1
          service: $port_b
          baud: 38400
          meters:
            - {address: 5, file: flow.cfg}
EOF
}
play() { # ANSIBLE-PLAYBOOK-OPTIONS...
  rm -f "$work/record/"*.json
  ansible-playbook -i "$work/inventory.yml" "$repo/ansible/examples/site.yml" "$@" >"$work/out" 2>&1
}
# site UNIT-INDEX FIELD: a field of one meter's result in the record.
field() {
  /usr/bin/python3 -c 'import json,sys; r=json.load(open(sys.argv[1]))[int(sys.argv[2])]; print(json.dumps(r.get(sys.argv[3])))' \
    "$work/record/$1.json" "$2" "$3"
}
value_1052() { # LINK-OPTIONS...
  "$cli" "$@" upload "$work/now.cfg" >/dev/null && sed -n 's/^L1052=//p' "$work/now.cfg"
}

inventory flow.cfg
play --check --diff || fail "check mode"
for m in "site-a 0" "site-a 1" "site-b 0"; do
  [ "$(field $m changed)" = true ] || fail "check mode: $m would not change"
done
grep -q 'Input scaling value zero' "$work/out" || fail "no parameter in the diff"
grep -q '^-Input / Input scaling value zero: 1.0000' "$work/out" || fail "diff: no meter value"
grep -q '^+Input / Input scaling value zero: 2.0000' "$work/out" || fail "diff: no file value"
[ "$(value_1052 $link_a --address 2)" = 10000 ] || fail "check mode wrote to unit 2"
[ "$(value_1052 $link_b --address 5)" = 10000 ] || fail "check mode wrote to unit 5"

play || fail "first run"
for m in "site-a 0" "site-a 1" "site-b 0"; do
  [ "$(field $m changed)" = true ] || fail "first run: $m not changed"
  [ "$(field $m verified)" = true ] || fail "first run: $m not verified"
  backup=$(field $m backup | tr -d '"')
  [ -f "$backup" ] || fail "first run: $m has no backup ($backup)"
done
[ "$(value_1052 $link_a --address 2)" = 20000 ] || fail "unit 2 does not hold the file"
[ "$(value_1052 $link_b --address 5)" = 20000 ] || fail "unit 5 does not hold the file (or moved)"
grep -Eq 'site-a +: ok=[0-9]+ +changed=[12] ' "$work/out" || fail "first run: site-a not changed"

play --diff || fail "second run"
for m in "site-a 0" "site-a 1" "site-b 0"; do
  [ "$(field $m changed)" = false ] || fail "second run: $m changed"
done
grep -Eq 'site-a +: ok=[0-9]+ +changed=0 ' "$work/out" || fail "second run: site-a changed"
grep -Eq 'site-b +: ok=[0-9]+ +changed=0 ' "$work/out" || fail "second run: site-b changed"

# A file of another model is refused with the program's message, the other
# meters of the loop still done; a site whose server is down says so.
inventory other-model.cfg
kill "$sim_b"
wait "$sim_b" 2>/dev/null || true
sim_b=
if play; then fail "a refused meter and a site without its server passed"; fi
grep -q 'The settings of a different device cannot be downloaded' "$work/out" || fail "no refusal message"
grep -q 'Connection refused' "$work/out" || fail "no message for the server that is down"
[ "$(field site-a 0 changed)" = false ] || fail "unit 1 changed in the failed run"
[ "$(field site-a 1 failed)" = true ] || fail "unit 2 did not fail"

# The module's documentation reads, and the collection builds.
ansible-doc v6uvuv.q6k.q6k_meter >"$work/out" 2>&1 || fail "ansible-doc"
grep -q 'keep_link' "$work/out" || fail "ansible-doc shows no keep_link"
ansible-galaxy collection build "$repo/ansible" --output-path "$work" >"$work/out" 2>&1 || fail "collection build"
[ -f "$work/v6uvuv-q6k-1.0.0.tar.gz" ] || fail "no collection archive"

# Arguments the module refuses before the program runs.
if ansible localhost -c local -e ansible_python_interpreter=/usr/bin/python3 -m v6uvuv.q6k.q6k_meter \
  -a "link=tcp address=300 src=$work/golden/flow.cfg host=127.0.0.1 cli=$cli" >"$work/out" 2>&1; then
  fail "address 300 passed"
fi
grep -q 'address must be 1 to 247' "$work/out" || fail "no message for address 300"
echo "ansible: check mode, apply, second run, diff and failures as expected"
