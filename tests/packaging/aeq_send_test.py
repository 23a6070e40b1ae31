#!/usr/bin/env python3
"""scripts/aeq-send.py against a stand-in bridge on 127.0.0.1: the bytes it sends, the answers it
understands, its exit status. Stops by itself (socket time-outs)."""
import os
import socket
import struct
import subprocess
import sys
import tempfile
import threading

SCRIPT = sys.argv[1]


def serve(listener, answers, received):
    if not answers:
        return
    listener.settimeout(10)
    conn, _ = listener.accept()
    conn.settimeout(10)
    with conn:
        for status in answers:
            head = b""
            while len(head) < 4:
                head += conn.recv(4 - len(head))
            (length,) = struct.unpack(">I", head)
            payload = b""
            while len(payload) < length:
                payload += conn.recv(length - len(payload))
            received.append(payload)
            conn.sendall(struct.pack(">I", 2) + bytes([payload[0] | 0x80, status]))


def run(args, answers):
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    received = []
    thread = threading.Thread(target=serve, args=(listener, answers, received))
    thread.start()
    result = subprocess.run([sys.executable, SCRIPT, "--port", str(listener.getsockname()[1]), *args],
                            capture_output=True, text=True, timeout=30)
    thread.join(15)
    listener.close()
    return result.returncode, received


failures = 0


def check(name, condition):
    global failures
    print(("ok   " if condition else "FAIL ") + name)
    failures += 0 if condition else 1


with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "response.txt")
    with open(path, "w") as f:
        f.write("# a response\n0;0.5\n1;-1.25\n\n2;0.125\n")
    code, received = run(["--device", "3", "--target", "4", path], [0, 0])
    check("response: done", code == 0)
    check("response: select first", received[:1] == [bytes([1, 3, 0, 4])])
    check("response: values", len(received) == 2 and received[1] == bytes([2, 3, 0, 4, 0, 3]) + struct.pack("<3d", 0.5, -1.25, 0.125))
    code, received = run(["--device", "3", "--target", "4", path], [0, 1])
    check("ignored answer gives status 1", code == 1)
    code, received = run(["--device", "1", "--eq-bypass", "2", "1"], [0, 0])
    check("eq bypass", code == 0 and received[1] == bytes([3, 1, 0, 2, 1]))
    with open(path, "w") as f:
        f.write("0.5\nnot a number\n")
    code, received = run(["--device", "1", path], [])
    check("bad file is refused before connecting", code != 0 and received == [])

sys.exit(1 if failures else 0)
