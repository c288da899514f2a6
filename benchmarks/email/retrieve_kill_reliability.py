#!/usr/bin/python3
"""The kill -9 reliability run of retrieval.

Each round puts MESSAGES new messages into the local dovecot mailbox (each with an attachment
whose content is known; half of them without a Message-ID), starts `pelmora email retrieve`,
kills it with SIGKILL at a random moment, and then runs a complete `pelmora email retrieve`. At
the end every message must be stored exactly once with its attachment file whole, the mailbox
must be empty, and `PRAGMA integrity_check` must say ok.

  retrieve_kill_reliability.py PELMORA [ROUNDS] [MESSAGES]
"""
import hashlib
import json
import os
import random
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVERS = os.path.join(HERE, "..", "..", "scripts", "servers", "servers.py")


def run(*args, env=None):
    return subprocess.run(args, check=True, capture_output=True, text=True, env=env)


def content(subject):
    return hashlib.sha256(subject.encode()).hexdigest().encode() * 40


def message(subject, with_id):
    import base64
    data = base64.encodebytes(content(subject)).decode()
    header = f"Message-ID: <{subject}@kill>\n" if with_id else ""
    return (f"From: k@kill.test\nSubject: {subject}\n{header}MIME-Version: 1.0\n"
            f"Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\nbody {subject}\n"
            f"--b\nContent-Type: application/octet-stream; name=\"att.0\"\nContent-Transfer-Encoding: base64\n\n"
            f"{data}--b--\n")


def main(pelmora, rounds=100, messages=200):
    rounds, messages = int(rounds), int(messages)
    random.seed(9)
    with tempfile.TemporaryDirectory() as work:
        info = json.loads(run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "start", "pop3").stdout)
        try:
            maildir = info["pop3"]["maildir"]
            home = os.path.join(work, "home")
            os.makedirs(home)
            run(pelmora, "--home", home, "settings", "set", f"Server=127.0.0.1:{info['pop3']['port']}")
            env = dict(os.environ, PELMORA_USER=info["user"], PELMORA_PASSWORD=info["password"])
            expected = []
            killed = 0
            limit = 1.0
            for r in range(rounds):
                for i in range(messages):
                    subject = f"r{r}-m{i}"
                    expected.append(subject)
                    name = f"{r}.{i}.kill"
                    with open(os.path.join(maildir, "tmp", name), "w") as f:
                        f.write(message(subject, i % 2 == 0))
                    os.rename(os.path.join(maildir, "tmp", name), os.path.join(maildir, "new", name))
                start = time.perf_counter()
                proc = subprocess.Popen([pelmora, "--home", home, "email", "retrieve"], env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(random.uniform(0.0, limit))
                if proc.poll() is None:
                    proc.send_signal(signal.SIGKILL)
                    killed += 1
                else:
                    # Finished before the kill: aim earlier next time.
                    limit = max(0.1, (time.perf_counter() - start) * 0.9)
                proc.wait()
                subprocess.run([pelmora, "--home", home, "email", "retrieve"], env=env, capture_output=True)
            left = sum(len(os.listdir(os.path.join(maildir, sub))) for sub in ("new", "cur"))
            db = sqlite3.connect(os.path.join(home, "data", "database.sqlite"))
            integrity = db.execute("PRAGMA integrity_check").fetchone()[0]
            counts = {}
            for subject, in db.execute("SELECT Subject FROM EMAIL"):
                counts[subject] = counts.get(subject, 0) + 1
            lost = [s for s in expected if s not in counts]
            doubled = [s for s, n in counts.items() if n > 1]
            broken = []
            for subject, location in db.execute(
                    "SELECT e.Subject, a.Location FROM EMAIL e JOIN Attach a ON a.EmailNum = e.Counter"):
                try:
                    with open(location, "rb") as f:
                        if f.read() != content(subject):
                            broken.append(subject)
                except OSError:
                    broken.append(subject)
            without = db.execute("SELECT COUNT(*) FROM EMAIL WHERE Counter NOT IN (SELECT EmailNum FROM Attach)"
                                 ).fetchone()[0]
            referenced = {row[0] for row in db.execute("SELECT Location FROM Attach")}
            attach = os.path.join(home, "attach")
            orphans = [n for n in os.listdir(attach) if os.path.join(attach, n) not in referenced]
            print(f"rounds {rounds} x {messages} messages, killed {killed}; stored {len(counts)} of {len(expected)}; "
                  f"lost {len(lost)} (still on the server {left}); stored twice {len(doubled)}; "
                  f"attachment files broken or missing {len(broken)}; rows without their file {without}; "
                  f"unreferenced complete files {len(orphans)}; integrity_check {integrity}")
            ok = not lost and not doubled and not broken and not without and integrity == "ok" and left == 0
            return 0 if ok else 1
        finally:
            run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "stop")


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
