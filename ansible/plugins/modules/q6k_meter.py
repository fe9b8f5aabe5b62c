#!/usr/bin/python3
# -*- coding: utf-8 -*-
# Copyright 2026 The V6UVUV developers

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: q6k_meter
short_description: Bring a Q6K panel meter to the settings of a configuration file
version_added: "1.0.0"
description:
  - Reads the meter's whole parameter set and compares it with the C(.cfg)
    file I(src). When they differ the meter is backed up into the meter
    history, the file is written and the meter is read back to verify it.
    A meter that already holds the file is only read.
  - All Modbus work is done by C(v6uvuv-cli) on the managed host; this module
    only runs it with C(--json) and reports what it said.
  - In check mode nothing is written; the result says whether the meter would
    change. In diff mode the parameters that differ are shown as before
    (the meter) and after (the file).
options:
  link:
    description: How the meter is reached.
    type: str
    required: true
    choices: [rtu, rtu-tcp, tcp, ir]
  port:
    description: Serial device of the RS-485 line or the infrared adapter (I(link=rtu) or I(link=ir)).
    type: str
  baud:
    description:
      - Speed of the RS-485 line. With I(link=rtu-tcp) the speed of the
        device server's line, used for the time-outs.
    type: int
    default: 38400
    choices: [1200, 2400, 4800, 9600, 19200, 38400]
  parity:
    description: Parity of the RS-485 line (I(link=rtu)).
    type: str
    default: odd
    choices: [none, odd, even]
  stop:
    description: Stop bits of the RS-485 line (I(link=rtu)).
    type: int
    default: 1
    choices: [1, 2]
  host:
    description: The Modbus TCP gateway or the serial device server (I(link=tcp) or I(link=rtu-tcp)).
    type: str
  service:
    description: Its TCP port; 502 for I(link=tcp) and 4001 for I(link=rtu-tcp) when not given.
    type: int
  address:
    description: Device address of the meter on its line, 1 to 247 (not used on the infrared port).
    type: int
    default: 1
  src:
    description: The configuration file (C(.cfg)) the meter should hold, on the managed host.
    type: path
    required: true
  keep_link:
    description:
      - Keep the meter's own device address and line settings instead of
        those in I(src), so one file serves every meter of a line.
    type: bool
    default: true
  backup:
    description: Keep the meter's settings in the meter history before a write.
    type: bool
    default: true
  cli:
    description: Path of C(v6uvuv-cli) on the managed host.
    type: path
    default: v6uvuv-cli
author:
  - The V6UVUV developers
"""

EXAMPLES = r"""
- name: Flow meter 3 on panel A holds the released file
  v6uvuv.q6k.q6k_meter:
    link: tcp
    host: 10.0.5.21
    address: 3
    src: /srv/q6k/golden/flow.cfg

- name: Level meter on an RS-485 line
  v6uvuv.q6k.q6k_meter:
    link: rtu
    port: /dev/serial/by-id/usb-FTDI_USB-RS485_Cable_FT1ABCDE-if00-port0
    baud: 19200
    parity: even
    address: 7
    src: /srv/q6k/golden/level.cfg
"""

RETURN = r"""
model:
  description: The meter's model code and description.
  returned: when the meter was identified
  type: str
  sample: "15 Z6OR-11u4 Voltage input, Dc output x 1, Network: RS-485 / Modbus RTU"
changes:
  description: The parameters that differed, with the meter's value and the file's.
  returned: when the meter was read
  type: list
  elements: dict
  sample: [{"group": "Input", "name": "Input scaling value zero", "meter_value": "1.0000", "new_value": "2.0000"}]
backup:
  description: The meter history's copy of the settings the meter held before the write.
  returned: when something was written with I(backup=true)
  type: str
verified:
  description: Whether the meter, read back, holds every value written.
  returned: when something was written
  type: bool
not_held:
  description: Parameters the meter did not take, as read back.
  returned: when something was written
  type: list
  elements: dict
cli_result:
  description: The meter's entry of what v6uvuv-cli --json printed.
  returned: always when the program printed it
  type: dict
"""

import json

from ansible.module_utils.basic import AnsibleModule

DEFAULT_SERVICE = {"tcp": 502, "rtu-tcp": 4001}


def link_arguments(params):
    """The command line's link options; every one is given, so the settings
    stored on the managed host never change what is reached."""
    link = params["link"]
    args = ["--link", link]
    if link in ("rtu", "ir"):
        args += ["--port", params["port"]]
    if link == "rtu":
        args += ["--baud", str(params["baud"]), "--parity", params["parity"],
                 "--stop", str(params["stop"])]
    if link in ("tcp", "rtu-tcp"):
        service = params["service"] or DEFAULT_SERVICE[link]
        args += ["--host", params["host"], "--service", str(service)]
    if link == "rtu-tcp":
        args += ["--baud", str(params["baud"])]
    if link != "ir":
        args += ["--address", str(params["address"])]
    return args


def command(params, check_mode):
    args = [params["cli"]] + link_arguments(params) + ["--json"]
    args.append("--keep-link" if params["keep_link"] else "--no-keep-link")
    if check_mode:
        args.append("--dry-run")
    if not params["backup"]:
        args.append("--no-backup")
    # After "--" a file name that begins with "-" is still a file name.
    return args + ["--", "download", params["src"]]


def parameter_lines(changes, key):
    return "".join("%s / %s: %s\n" % (c["group"], c["name"], c[key]) for c in changes)


def meter_result(stdout):
    try:
        document = json.loads(stdout)
        return document["meters"][0]
    except (ValueError, KeyError, IndexError, TypeError):
        return None


def main():
    module = AnsibleModule(
        argument_spec=dict(
            link=dict(type="str", required=True, choices=["rtu", "rtu-tcp", "tcp", "ir"]),
            port=dict(type="str"),
            baud=dict(type="int", default=38400, choices=[1200, 2400, 4800, 9600, 19200, 38400]),
            parity=dict(type="str", default="odd", choices=["none", "odd", "even"]),
            stop=dict(type="int", default=1, choices=[1, 2]),
            host=dict(type="str"),
            service=dict(type="int"),
            address=dict(type="int", default=1),
            src=dict(type="path", required=True),
            keep_link=dict(type="bool", default=True),
            backup=dict(type="bool", default=True),
            cli=dict(type="path", default="v6uvuv-cli"),
        ),
        required_if=[
            ("link", "rtu", ["port"]),
            ("link", "ir", ["port"]),
            ("link", "tcp", ["host"]),
            ("link", "rtu-tcp", ["host"]),
        ],
        supports_check_mode=True,
    )
    params = module.params
    if not 1 <= params["address"] <= 247:
        module.fail_json(msg="address must be 1 to 247, not %d" % params["address"])
    if params["service"] is not None and not 1 <= params["service"] <= 65535:
        module.fail_json(msg="service must be 1 to 65535, not %d" % params["service"])

    args = command(params, module.check_mode)
    # The exit status is not enough: a dry run that finds differences ends
    # with 3, a download that was not verified with 1; the JSON says which.
    rc, stdout, stderr = module.run_command(args, environ_update={"LC_ALL": "C.UTF-8"})
    result = meter_result(stdout)
    if result is None:
        module.fail_json(msg=stderr.strip() or stdout.strip() or "v6uvuv-cli ended with status %d" % rc,
                         rc=rc, cmd=args, stdout=stdout, stderr=stderr)

    answer = dict(cli_result=result, cmd=args)
    if "model" in result:
        answer["model"] = "%d %s" % (result["model"], result.get("description", ""))
    if result.get("result") != "done":
        module.fail_json(msg=result.get("message") or stderr.strip() or "the meter was not brought to the file",
                         rc=rc, stderr=stderr, **answer)

    changes = result.get("changes") or []
    answer.update(changes=changes, changed=not result.get("already_held", False))
    if module._diff and changes:
        answer["diff"] = dict(before_header="meter at address %d" % params["address"], after_header=params["src"],
                              before=parameter_lines(changes, "meter_value"),
                              after=parameter_lines(changes, "new_value"))
    if not module.check_mode and answer["changed"]:
        answer.update(backup=result.get("backup"), verified=result.get("verified"),
                      not_held=result.get("not_held") or [])
        if result.get("verified") is not True:
            module.fail_json(msg=result.get("message") or stderr.strip()
                             or "the meter, read back, does not hold every value written", rc=rc, **answer)
    module.exit_json(**answer)


if __name__ == "__main__":
    main()
