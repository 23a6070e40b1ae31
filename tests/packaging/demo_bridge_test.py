#!/usr/bin/env python3
"""plenum --demo started without a display listens on its automatic-EQ bridge and answers.

Usage: demo_bridge_test.py PLENUM

Starts the desktop application on Qt's offscreen platform with a free bridge port, connects as
the outside application would, selects the first device's FIR way and checks the answer
(0x81, 0). The program is stopped by its own pid at the end.
"""
import importlib.util
import os
import socket
import struct
import subprocess
import sys
import tempfile
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def load_client():
    """The bridge client users run (scripts/aeq-send.py): the test reads answers with its reader."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "aeq-send.py")
    spec = importlib.util.spec_from_file_location("aeq_send", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


read_exactly = load_client().recv_exact


def main():
    plenum = sys.argv[1]
    port = free_port()
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    with tempfile.TemporaryDirectory() as data:
        program = subprocess.Popen(
            [plenum, "--demo", "--data-dir", data, "--bridge-port", str(port), "--startup-ms", "0"],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            deadline = time.monotonic() + 30
            sock = None
            while time.monotonic() < deadline and sock is None:
                if program.poll() is not None:
                    print("plenum ended early:", program.stderr.read().decode(errors="replace"), file=sys.stderr)
                    return 1
                try:
                    sock = socket.create_connection(("127.0.0.1", port), timeout=1)
                except OSError:
                    time.sleep(0.2)
            if sock is None:
                print(f"plenum --demo never listened on 127.0.0.1:{port}", file=sys.stderr)
                return 1
            with sock:
                sock.settimeout(15)
                payload = bytes([0x01, 1]) + struct.pack(">H", 3)
                sock.sendall(struct.pack(">I", len(payload)) + payload)
                length = struct.unpack(">I", read_exactly(sock, 4))[0]
                answer = read_exactly(sock, length)
            if answer != bytes([0x81, 0]):
                print(f"unexpected answer {answer.hex()}", file=sys.stderr)
                return 1
            print(f"plenum --demo answered on 127.0.0.1:{port}")
            return 0
        finally:
            program.kill()
            program.wait()


if __name__ == "__main__":
    sys.exit(main())
