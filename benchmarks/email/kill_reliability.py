#!/usr/bin/python3
"""The kill -9 reliability run of the outbox.

Each round sends one message with `pelmora email send` to a server that takes the envelope and
the text and then stalls (before or after its reply to the end of data, chosen at random), kills
the process with SIGKILL at a random moment, and then runs `pelmora email send-queued --all`
against the working local SMTP store. At the end every stored message must have reached a server
that accepted it (delivered at least once), and no row may be marked sent that no server accepted.

  kill_reliability.py PELMORA [ROUNDS]
"""
import json
import os
import random
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVERS = os.path.join(HERE, "..", "..", "scripts", "servers", "servers.py")


class StallingServer:
    """Accepts, takes the message, and then stalls: before its reply to the end of data, or
    after a 250 reply (the message is then accepted) at the good-bye."""

    def __init__(self):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(5)
        self.port = self.listener.getsockname()[1]
        self.accepted = set()
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            conn, _ = self.listener.accept()
            threading.Thread(target=self.session, args=(conn,), daemon=True).start()

    def session(self, conn):
        try:
            f = conn.makefile("rb")
            conn.sendall(b"220 stall\r\n")
            while True:
                line = f.readline()
                if not line:
                    return
                if line.upper().startswith(b"DATA"):
                    conn.sendall(b"354 go\r\n")
                    text = b""
                    while True:
                        chunk = f.readline()
                        if not chunk or chunk == b".\r\n":
                            break
                        text += chunk
                    subject = next((l[9:].strip().decode() for l in text.split(b"\r\n")
                                    if l.startswith(b"Subject: ")), "")
                    if random.random() < 0.5:
                        self.accepted.add(subject)
                        conn.sendall(b"250 taken\r\n")
                    time.sleep(30)
                    return
                conn.sendall(b"250 ok\r\n")
        except OSError:
            pass
        finally:
            conn.close()


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True)


def main(pelmora, rounds=50):
    with tempfile.TemporaryDirectory() as work:
        info = json.loads(run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "start", "smtp").stdout)
        try:
            working = f"127.0.0.1:{info['smtp']['port']}"
            spool = info["smtp"]["spool"]
            stall = StallingServer()
            home = os.path.join(work, "home")
            os.makedirs(home)
            run(pelmora, "--home", home, "settings", "set", "EMail Address=me@here.test")
            contact = run(pelmora, "--home", home, "table", "add", "Contacts", "LName=Kill").stdout.strip()
            killed = 0
            for n in range(int(rounds)):
                run(pelmora, "--home", home, "settings", "set", f"SmtpServer=127.0.0.1:{stall.port}")
                proc = subprocess.Popen([pelmora, "--home", home, "email", "send", "--contact", contact, "--to",
                                         "to@there.test", "--subject", f"round-{n}"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(random.uniform(0.0, 1.5))
                if proc.poll() is None:
                    proc.send_signal(signal.SIGKILL)
                    killed += 1
                proc.wait()
                run(pelmora, "--home", home, "settings", "set", f"SmtpServer={working}")
                subprocess.run([pelmora, "--home", home, "email", "send-queued", "--all"], capture_output=True)
            delivered = set()
            for name in os.listdir(spool):
                if name.endswith(".eml"):
                    with open(os.path.join(spool, name), "rb") as f:
                        for line in f.read().split(b"\r\n"):
                            if line.startswith(b"Subject: "):
                                delivered.add(line[9:].strip().decode())
            db = sqlite3.connect(os.path.join(home, "data", "database.sqlite"))
            rows = db.execute("SELECT Subject, Queue FROM EMAIL").fetchall()
            stored = {subject for subject, _ in rows}
            reached = delivered | stall.accepted
            lost = sorted(s for s in stored if s not in reached)
            false_sent = sorted(s for s, queue in rows if not queue and s not in reached)
            still_queued = sorted(s for s, queue in rows if queue)
            print(f"rounds {rounds}, killed {killed}, stored {len(stored)}, never stored {int(rounds) - len(stored)}")
            print(f"accepted by the stalling server {len(stall.accepted)}, delivered by the working one "
                  f"{len(delivered)}, both {len(delivered & stall.accepted)}")
            print(f"lost {len(lost)} {lost}; marked sent without acceptance {len(false_sent)} {false_sent}; "
                  f"still queued {len(still_queued)}")
            return 0 if not lost and not false_sent and not still_queued else 1
        finally:
            run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "stop")


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
