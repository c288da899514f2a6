#!/usr/bin/python3
"""Times `pelmora email send` of a 10 MB message (two 5 MB attachments) against Python's smtplib
sending the same files to the same local SMTP store in the same run, and records the peak memory
of the pelmora process.

  send_benchmark.py PELMORA [ROUNDS]
"""
import json
import os
import resource
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVERS = os.path.join(HERE, "..", "..", "scripts", "servers", "servers.py")
PEERS = os.path.join(HERE, "..", "net", "peers.py")


def run(*args, env=None):
    return subprocess.run(args, check=True, capture_output=True, text=True, env=env)


def main(pelmora, rounds=3):
    with tempfile.TemporaryDirectory() as work:
        info = json.loads(run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "start", "smtp").stdout)
        try:
            host, port = "127.0.0.1", info["smtp"]["port"]
            home = os.path.join(work, "home")
            os.makedirs(home)
            run(pelmora, "--home", home, "settings", "set", f"SmtpServer={host}:{port}", "EMail Address=me@here.test")
            contact = run(pelmora, "--home", home, "table", "add", "Contacts", "LName=Bench").stdout.strip()
            files = []
            for name in ("a.bin", "b.bin"):
                path = os.path.join(work, name)
                with open(path, "wb") as f:
                    f.write(os.urandom(5 * 1024 * 1024))
                files.append(path)
            ours, theirs = [], []
            for _ in range(int(rounds)):
                start = time.monotonic()
                run(pelmora, "--home", home, "email", "send", "--contact", contact, "--to", "to@there.test",
                    "--subject", "benchmark", "--attach", files[0], "--attach", files[1])
                ours.append(time.monotonic() - start)
            # Read before the Python peer runs, so the figure is pelmora's own.
            peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
            for _ in range(int(rounds)):
                start = time.monotonic()
                run(sys.executable, PEERS, "smtp", host, str(port), *files)
                theirs.append(time.monotonic() - start)
            for a, b in zip(ours, theirs):
                print(f"pelmora email send {a * 1000:.0f} ms   smtplib {b * 1000:.0f} ms   ratio {a / b:.2f}")
            print(f"peak resident memory of the largest child: {peak:.0f} MiB (message 10 MiB)")
        finally:
            run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "stop")


if __name__ == "__main__":
    main(*sys.argv[1:])
