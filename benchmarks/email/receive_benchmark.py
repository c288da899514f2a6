#!/usr/bin/python3
"""Times the receiving side in one run against its Python peers:

- `pelmora email retrieve` followed by `pelmora email file-all` of 500 messages of 20 KB (each
  with a small attachment, half of them from a stored contact) from the local dovecot, against
  Python's poplib merely downloading and deleting the same 500 messages;
- `pelmora email import` of a mbox file of 1,000 messages with attachments (about 100 MB),
  against Python's mailbox + email modules parsing it without storing, with the peak resident
  size of both processes;
- `pelmora email file-all` of 10,000 inbox rows against 100,000 contacts.

  receive_benchmark.py PELMORA [ROUNDS]
"""
import base64
import json
import os
import random
import sqlite3
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SERVERS = os.path.join(HERE, "..", "..", "scripts", "servers", "servers.py")
PEERS = os.path.join(HERE, "..", "net", "peers.py")

PARSE_PEER = r"""
import email, email.policy, mailbox, resource, sys
count = parts = 0
for message in mailbox.mbox(sys.argv[1], factory=None):
    parsed = email.message_from_bytes(message.as_bytes(), policy=email.policy.default)
    count += 1
    for part in parsed.walk():
        if not part.is_multipart():
            part.get_payload(decode=True)
            parts += 1
print(count, parts, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
"""


def run(*args, env=None):
    return subprocess.run(args, check=True, capture_output=True, text=True, env=env)


def timed(*args, env=None):
    """Wall time and peak resident size (kB) of one child process, and what it printed."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        proc = subprocess.Popen(args, stdout=out, stderr=err, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
        out.seek(0)
        err.seek(0)
        if os.waitstatus_to_exitcode(status) != 0:
            raise SystemExit(f"{args[:4]} failed: {err.read().decode(errors='replace')}")
        return elapsed, usage.ru_maxrss, out.read()


def message(n, size, sender):
    body = ("".join(random.choice("abcdefghij klmnop\n") for _ in range(size)))
    attachment = base64.encodebytes(os.urandom(size // 4)).decode()
    return (f"From: Sender {n} <{sender}>\nTo: me@here.test\nSubject: message {n}\n"
            f"Message-ID: <{n}.{random.random()}@bench>\nMIME-Version: 1.0\n"
            f"Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\n{body}\n"
            f"--b\nContent-Type: application/octet-stream; name=\"data.bin\"\n"
            f"Content-Transfer-Encoding: base64\n\n{attachment}--b--\n")


def fill(maildir, texts):
    for i, text in enumerate(texts):
        name = f"{time.time_ns()}.{i}.bench"
        with open(os.path.join(maildir, "tmp", name), "w") as f:
            f.write(text)
        os.rename(os.path.join(maildir, "tmp", name), os.path.join(maildir, "new", name))


def retrieve_rounds(pelmora, work, rounds):
    info = json.loads(run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "start", "pop3").stdout)
    try:
        pop = info["pop3"]
        maildir = info["pop3"]["maildir"]
        home = os.path.join(work, "home")
        os.makedirs(home)
        run(pelmora, "--home", home, "settings", "set", f"Server=127.0.0.1:{pop['port']}")
        for i in range(0, 500, 2):
            run(pelmora, "--home", home, "table", "add", "Contacts", f"LName=C{i}", f"EMail=s{i}@bench.test")
        env = dict(os.environ, PELMORA_USER=info["user"], PELMORA_PASSWORD=info["password"])
        texts = [message(n, 14000, f"s{n}@bench.test") for n in range(500)]
        print(f"500 messages, {sum(map(len, texts)) / 500 / 1024:.1f} KB each")
        for r in range(rounds):
            fill(maildir, texts)
            peer, _, _ = timed(sys.executable, PEERS, "pop3", "127.0.0.1", str(pop["port"]), info["user"],
                               info["password"])
            fill(maildir, [t.replace("Message-ID: <", f"Message-ID: <r{r}.") for t in texts])
            ours, rss, out = timed(pelmora, "--home", home, "email", "retrieve", env=env)
            stored = len(json.loads(out))
            filing, _, out = timed(pelmora, "--home", home, "email", "file-all")
            print(f"round {r}: retrieve {ours * 1000:.0f} ms + file-all {filing * 1000:.0f} ms "
                  f"({stored} stored, {json.loads(out)}), poplib {peer * 1000:.0f} ms, "
                  f"ratio {(ours + filing) / peer:.2f}, peak {rss / 1024:.0f} MiB")
    finally:
        run(sys.executable, SERVERS, "--dir", os.path.join(work, "srv"), "stop")


def import_round(pelmora, work):
    path = os.path.join(work, "big.mbox")
    largest = 0
    with open(path, "w") as f:
        for n in range(1000):
            text = message(n, 75000, f"s{n}@bench.test")
            largest = max(largest, len(text))
            f.write(f"From s{n}@bench.test Mon Jan  1 00:00:00 2024\n{text}\n")
    size = os.path.getsize(path)
    home = os.path.join(work, "import-home")
    os.makedirs(home)
    peer, peer_rss, out = timed(sys.executable, "-c", PARSE_PEER, path)
    ours, rss, out2 = timed(pelmora, "--home", home, "email", "import", path, "--format", "mbox")
    base, base_rss, _ = timed(pelmora, "--home", home, "settings")
    print(f"import {size / 1e6:.0f} MB ({json.loads(out2)}): pelmora {ours:.2f} s, Python parse {peer:.2f} s "
          f"({out.decode().split()[0]} messages), speed-up {peer / ours:.2f}; peak {rss / 1024:.0f} MiB "
          f"(idle command {base_rss / 1024:.0f} MiB, largest message {largest / 1024 / 1024:.2f} MiB), "
          f"Python {peer_rss / 1024:.0f} MiB")


def file_all_round(pelmora, work):
    home = os.path.join(work, "file-home")
    os.makedirs(home)
    run(pelmora, "--home", home, "settings")
    run(pelmora, "--home", home, "table", "count", "Contacts")
    db = sqlite3.connect(os.path.join(home, "data", "database.sqlite"))
    db.execute("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99999) "
               "INSERT INTO Contacts (LName, EMail) SELECT 'x', 'user' || i || '@Example.com' FROM n")
    db.execute("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 9999) "
               "INSERT INTO EMAIL (Subject, SenderEmail, Contact, Status) "
               "SELECT 's', 'USER' || (i * 7) || '@example.com', 1, 0 FROM n")
    db.commit()
    db.close()
    elapsed, _, out = timed(pelmora, "--home", home, "email", "file-all")
    base, _, _ = timed(pelmora, "--home", home, "db", "info")
    print(f"file-all 10,000 rows vs 100,000 contacts: {elapsed * 1000:.0f} ms {json.loads(out)} "
          f"(the same process opening the database and reading its counts: {base * 1000:.0f} ms)")


def main(pelmora, rounds=3):
    random.seed(12)
    with tempfile.TemporaryDirectory() as work:
        retrieve_rounds(pelmora, work, int(rounds))
        file_all_round(pelmora, work)
        import_round(pelmora, work)
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
