#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Latency of the rotctld endpoint: N "p" round trips over one connection, against azelmon and
against Hamlib's own rotctld -m 1 (the dummy rotator), with the same client in one run.

    tools/rotctld-latency.py [--azelmon build/src/app/azelmon] [--count 10000]

Both servers are started here on free loopback ports and stopped at the end. The round trips
alternate between the two in batches of 100, so a busy machine weighs on both alike. Prints p50,
p99 and their ratio (azelmon / rotctld) in microseconds.
"""
import argparse
import os
import re
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def connect(port, deadline_s=10.0):
    end = time.monotonic() + deadline_s
    while True:
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=5)
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            return s
        except OSError:
            if time.monotonic() > end:
                raise
            time.sleep(0.05)


class Client:
    """One connection; ask() does one "p" round trip and returns its time in nanoseconds."""

    def __init__(self, port):
        self.sock = connect(port)
        self.pending = b""

    def ask(self):
        t0 = time.perf_counter_ns()
        self.sock.sendall(b"p\n")
        while self.pending.count(b"\n") < 2:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise RuntimeError("server closed the connection")
            self.pending += chunk
        elapsed = time.perf_counter_ns() - t0
        self.pending = self.pending.split(b"\n", 2)[2]
        return elapsed

    def close(self):
        self.sock.sendall(b"q\n")
        self.sock.close()


def interleaved(ports, count, batch=100):
    """count round trips on each port, in alternating batches, so that a load on the machine
    falls on both servers alike."""
    clients = {name: Client(port) for name, port in ports.items()}
    samples = {name: [] for name in ports}
    for c in clients.values():  # warm-up
        for _ in range(100):
            c.ask()
    done = 0
    while done < count:
        n = min(batch, count - done)
        for name, c in clients.items():
            samples[name].extend(c.ask() for _ in range(n))
        done += n
    for c in clients.values():
        c.close()
    return samples


def percentile(samples, q):
    ordered = sorted(samples)
    return ordered[min(len(ordered) - 1, int(q * len(ordered)))] / 1000.0


def start_azelmon(path, data_dir):
    work = tempfile.mkdtemp(prefix="azelmon-latency-")
    shutil.copy(os.path.join(data_dir, "cntmap.bmp"), work)
    env = dict(os.environ, AZELMON_CONFIG_DIR=work, QT_QPA_PLATFORM="offscreen",
               AZELMON_INSTANCE_NAME="azelmon-latency-%d" % os.getpid())
    proc = subprocess.Popen([path, "--link", "rotctld", "--rotctld-listen", "127.0.0.1:0"], cwd=work,
                            env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    end = time.monotonic() + 20
    while time.monotonic() < end:
        line = proc.stdout.readline()
        m = re.match(r"rotctld: listening on 127\.0\.0\.1:(\d+)", line)
        if m:
            return proc, int(m.group(1)), work
        if not line and proc.poll() is not None:
            break
    proc.kill()
    raise RuntimeError("azelmon did not report its rotctld port")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--azelmon", default=os.path.join(root, "build", "src", "app", "azelmon"))
    ap.add_argument("--count", type=int, default=10000)
    args = ap.parse_args()
    args.azelmon = os.path.abspath(args.azelmon)
    if not shutil.which("rotctld"):
        sys.exit("rotctld not found: apt-get install libhamlib-utils")

    results = {}
    app, app_port, work = start_azelmon(args.azelmon, os.path.join(root, "data"))
    ham_port = free_port()
    ham = subprocess.Popen(["rotctld", "-m", "1", "-T", "127.0.0.1", "-t", str(ham_port)],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        results = interleaved({"azelmon": app_port, "rotctld -m 1": ham_port}, args.count)
    finally:
        for p in (app, ham):
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(work, ignore_errors=True)

    print("%d 'p' round trips over one connection, microseconds" % args.count)
    print("%-14s %9s %9s %9s" % ("server", "p50", "p99", "mean"))
    for name, samples in results.items():
        print("%-14s %9.1f %9.1f %9.1f" % (name, percentile(samples, 0.5), percentile(samples, 0.99),
                                           statistics.mean(samples) / 1000.0))
    a, h = results["azelmon"], results["rotctld -m 1"]
    print("ratio azelmon/rotctld: p50 %.2f, p99 %.2f" % (percentile(a, 0.5) / percentile(h, 0.5),
                                                        percentile(a, 0.99) / percentile(h, 0.99)))


if __name__ == "__main__":
    main()
