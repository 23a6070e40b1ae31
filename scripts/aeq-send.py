#!/usr/bin/env python3
"""Send an automatic-EQ response file to a running Plenum through its local bridge.

The file holds the response samples, one number per line (blank lines and lines starting with
'#' are skipped; a line "index;value" or "index,value" or "index value" gives its last field).
The script selects the device and target, delivers the samples and prints the answer.

    scripts/aeq-send.py --device 1 --target 3 response.txt
    scripts/aeq-send.py --device 1 --eq-bypass 3 1        # switch a bypass bit only

Targets: 1, 2 = MIR table of output way 0, 1 (512 taps); 3, 4 = FIR table of way 0, 1 (1024).
Port: --port, else PLENUM_BRIDGE_PORT, else 47001. The bridge listens on 127.0.0.1 only.
Exit status: 0 done, 1 ignored, 2 refused, 3 failed, 4 no connection or bad input.
The message format is described in docs/aeq-bridge.md.
"""
import argparse
import os
import re
import socket
import struct
import sys

MAX_VALUES = 4096
STATUS = {0: "done", 1: "ignored", 2: "refused", 3: "failed"}


def read_values(path):
    values = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            field = [x for x in re.split(r"[;,\s]+", line) if x][-1]
            try:
                values.append(float(field))
            except ValueError:
                raise SystemExit(f"aeq-send: {path}:{number}: not a number: {field!r}")
    if not values or len(values) > MAX_VALUES:
        raise SystemExit(f"aeq-send: {path}: 1..{MAX_VALUES} values needed, found {len(values)}")
    return values


def recv_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError("the bridge closed the connection")
        data += chunk
    return data


def ask(sock, payload):
    sock.sendall(struct.pack(">I", len(payload)) + payload)
    (length,) = struct.unpack(">I", recv_exact(sock, 4))
    answer = recv_exact(sock, length)
    return answer[1] if len(answer) >= 2 else 2


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--device", type=int, required=True, help="device slot 0..24")
    parser.add_argument("--target", type=int, default=3, help="1..4 (default 3)")
    parser.add_argument("--port", type=int, default=int(os.environ.get("PLENUM_BRIDGE_PORT", "47001")))
    parser.add_argument("--timeout", type=float, default=30.0, help="seconds to wait for an answer")
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("file", nargs="?", help="response file")
    group.add_argument("--eq-bypass", nargs=2, type=int, metavar=("TARGET", "VALUE"))
    group.add_argument("--aux-bypass", nargs=2, type=int, metavar=("TARGET", "VALUE"))
    args = parser.parse_args()
    if not 0 <= args.device <= 24 or not 1 <= args.target <= 4:
        raise SystemExit("aeq-send: --device takes 0..24 and --target 1..4")
    values = read_values(args.file) if args.file else None
    try:
        with socket.create_connection(("127.0.0.1", args.port), timeout=args.timeout) as sock:
            status = ask(sock, struct.pack(">BBH", 1, args.device, args.target))
            if status == 0:
                if values is not None:
                    payload = struct.pack(">BBHH", 2, args.device, args.target, len(values))
                    payload += struct.pack(f"<{len(values)}d", *values)
                else:
                    code, (target, value) = (3, args.eq_bypass) if args.eq_bypass else (4, args.aux_bypass)
                    payload = struct.pack(">BBHB", code, args.device, target, value & 0xFF)
                status = ask(sock, payload)
    except (OSError, ConnectionError) as error:
        print(f"aeq-send: 127.0.0.1:{args.port}: {error}", file=sys.stderr)
        return 4
    print(f"aeq-send: {STATUS.get(status, 'refused')}")
    return status if status in STATUS else 2


if __name__ == "__main__":
    sys.exit(main())
