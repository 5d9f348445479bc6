#!/usr/bin/env python3
"""Load on vireto-framesim: many clients at once for a while, then the figures.

  tools/framesim_load.py [--seconds 600] [--clients 50] [--bin build/bin]

The clients are a mix: identity requests; command exchanges taken from a recorded
`vireto-cli status` (a flash read of the version block and GetStatus, each request
followed by its reply); and clients that send malformed messages (unknown kinds, short
headers, lengths beyond what they send, garbage) and reconnect when dropped. The frame
has one reply channel, as a real one does, so the command clients take turns the way
the tools do (one exchange at a time); identity and malformed clients run freely.

Every answer to a well-formed client is checked against the recorded one. The server's
resident memory is sampled every few seconds. Exit status 1 when any well-formed answer
was wrong or missing, or when memory grew by more than a fifth once settled (the
virtual frame's log of its last 65536 requests fills in the first minutes).
"""
import argparse
import json
import os
import random
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time


def message(kind, payload=b""):
    return bytes([ord(kind)]) + struct.pack("<H", len(payload)) + payload


def read_exact(sock, n):
    data = b""
    while len(data) < n:
        chunk = sock.recv(n - len(data))
        if not chunk:
            raise ConnectionError("closed")
        data += chunk
    return data


def read_message(sock):
    header = read_exact(sock, 3)
    length = struct.unpack("<H", header[1:])[0]
    return chr(header[0]), read_exact(sock, length)


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


class Counters:
    def __init__(self):
        self.lock = threading.Lock()
        self.values = {}

    def add(self, name, n=1):
        with self.lock:
            self.values[name] = self.values.get(name, 0) + n


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=int, default=600)
    parser.add_argument("--clients", type=int, default=50)
    parser.add_argument("--settle", type=int, default=240,
                        help="seconds before memory must be flat (the request log fills first)")
    parser.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "..", "build", "bin"))
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="framesim-load-")
    sockets = os.path.join(work, "s")
    server = subprocess.Popen([os.path.join(args.bin, "vireto-framesim"), "--dir", sockets, "--blank"],
                              stderr=subprocess.PIPE, text=True)
    vendor = os.path.join(sockets, "02-sim_0_2")
    for _ in range(100):
        if os.path.exists(vendor):
            break
        time.sleep(0.05)

    # The reference exchanges, from a recorded status command.
    recording = os.path.join(work, "status.jsonl")
    env = dict(os.environ, VIRETO_HOME=work, VIRETO_TIME_SCALE="0")
    subprocess.run([os.path.join(args.bin, "vireto-cli"), "--device=unix:" + sockets, "--record", recording,
                    "status"], env=env, check=True, stdout=subprocess.DEVNULL)
    entries = [json.loads(line) for line in open(recording)]
    exchanges = []
    for a, b in zip(entries, entries[1:]):
        if a["op"] == "set" and b["op"] == "get" and b.get("ok"):
            exchanges.append((bytes.fromhex(a["report"]), bytes.fromhex(b["report"])))

    probe = socket.socket(socket.AF_UNIX)
    probe.connect(vendor)
    probe.sendall(message("I"))
    identity = read_message(probe)
    probe.close()

    counters = Counters()
    turn = threading.Lock()  # one command exchange at a time, as the tools take turns
    stop = time.monotonic() + args.seconds

    def identity_client():
        s = socket.socket(socket.AF_UNIX)
        s.connect(vendor)
        s.settimeout(5)
        while time.monotonic() < stop:
            try:
                s.sendall(message("I"))
                answer = read_message(s)
                counters.add("identity ok" if answer == identity else "identity WRONG")
            except OSError:
                counters.add("identity ERROR")
                s.close()
                s = socket.socket(socket.AF_UNIX)
                s.connect(vendor)
                s.settimeout(5)

    def command_client():
        s = socket.socket(socket.AF_UNIX)
        s.connect(vendor)
        s.settimeout(5)
        while time.monotonic() < stop:
            request, reply = random.choice(exchanges)
            try:
                with turn:
                    s.sendall(message("S", request))
                    accepted = read_message(s)
                    s.sendall(message("G", struct.pack("<BH", reply[0], len(reply))))
                    answer = read_message(s)
                ok = accepted == ("a", b"\x00") and answer == ("g", reply)
                counters.add("command ok" if ok else "command WRONG")
            except OSError:
                counters.add("command ERROR")

    def malformed_client():
        rng = random.Random()
        while time.monotonic() < stop:
            s = socket.socket(socket.AF_UNIX)
            try:
                s.connect(vendor)
                s.settimeout(1)
                junk = rng.choice([
                    b"X\x00\x00",
                    b"S",
                    # a request report of the wrong size: well-formed ones would be
                    # commands to the frame, not malformed messages
                    message("S", b"\x05" * rng.choice([0, 1, 63, 65, 70])),
                    b"G\xff\xff" + os.urandom(rng.randint(0, 200)),
                    os.urandom(rng.randint(1, 300)),
                ])
                s.sendall(junk)
                try:
                    s.recv(512)
                except OSError:
                    pass
                counters.add("malformed sent")
            except OSError:
                counters.add("malformed refused")
            finally:
                s.close()
            time.sleep(0.01)

    kinds = [identity_client, command_client, malformed_client]
    threads = []
    for i in range(args.clients):
        kind = kinds[0] if i % 5 in (0, 1) else kinds[1] if i % 5 in (2, 3) else kinds[2]
        threads.append(threading.Thread(target=kind, daemon=True))
    for t in threads:
        t.start()

    samples = []
    start = time.monotonic()
    while time.monotonic() < stop:
        samples.append((time.monotonic() - start, rss_kb(server.pid)))
        time.sleep(5)
    for t in threads:
        t.join(10)
    server.terminate()
    server.wait(10)

    values = counters.values
    for name in sorted(values):
        print(f"{name}: {values[name]}")
    # The virtual frame keeps its last 65536 requests for inspection (4 MB): memory may
    # rise until that log is full, then stays flat.
    settled = [kb for t, kb in samples if t >= args.settle] or [kb for _, kb in samples]
    print("resident memory by minute (KB): " +
          " ".join(str(kb) for t, kb in samples if int(t) % 60 < 5))
    print(f"resident memory (KB): first {samples[0][1]}, after the first minute min {min(settled)} "
          f"max {max(settled)}, last {samples[-1][1]} ({len(samples)} samples)")
    wrong = sum(v for k, v in values.items() if "WRONG" in k or k.endswith("ERROR"))
    grew = max(settled) > 1.2 * min(settled)
    if wrong or grew:
        print("FAILED: " + ("wrong or missing answers" if wrong else "memory grew"))
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
