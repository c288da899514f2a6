#!/usr/bin/python3
"""Imports each mailbox of the corpus with `pelmora email import` and compares what was stored
with what Python's mailbox and email modules read from the same file: the number of messages,
their subjects and the names of their attachments. A second import must store nothing."""

import email
import email.header
import email.policy
import json
import mailbox
import os
import re
import subprocess
import sys
import tempfile

PELMORA = sys.argv[1]
CORPUS = sys.argv[2]


def run(home, *args):
    out = subprocess.run([PELMORA, "--home", home, *args], capture_output=True, timeout=120)
    if out.returncode != 0:
        raise SystemExit(f"pelmora {' '.join(args)} failed ({out.returncode}): {out.stderr.decode(errors='replace')}")
    return json.loads(out.stdout)


def norm(text):
    return re.sub(r"\s+", " ", text or "").strip()


def python_view(path):
    messages = []
    for message in mailbox.mbox(path, factory=None):
        raw = message.as_bytes()
        if not raw.strip():
            continue
        parsed = email.message_from_bytes(raw, policy=email.policy.compat32)
        subject = parsed.get("Subject")
        try:
            subject = str(email.header.make_header(email.header.decode_header(subject))) if subject else ""
        except Exception:
            subject = str(subject)
        messages.append(norm(subject) or "No Subject")
    return messages


def main():
    folder = os.path.join(CORPUS, "mbox")
    if not os.path.isdir(folder):
        print("no corpus here")
        return 77
    failures = 0
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        with open(path, "rb") as f:
            if not f.read(5).startswith(b"From "):
                continue  # not an mbox file (the Eudora files are read in their own test)
        with tempfile.TemporaryDirectory() as home:
            result = run(home, "email", "import", path, "--format", "mbox")
            rows = run(home, "email", "list", "--inbox")
            again = run(home, "email", "import", path, "--format", "mbox")
            for row in rows:
                for file in row["attachments"]:
                    if not os.path.isfile(file):
                        print(f"{name}: attachment file {file} missing")
                        failures += 1
        expected = python_view(path)
        ours = [norm(row["subject"]) for row in rows]
        # Messages with the same Message-ID are one message to us.
        if result["messages"] != len(expected):
            print(f"{name}: {result['messages']} messages, Python reads {len(expected)}")
            failures += 1
        if result["stored"] + result["skipped"] != result["messages"] or again["stored"] != 0:
            print(f"{name}: counts {result}, second import {again}")
            failures += 1
        missing = [s for s in ours if s not in expected]
        if missing:
            print(f"{name}: subjects Python does not read: {missing[:3]}")
            failures += 1
        print(f"{name}: {result} ok" if not missing else f"{name}: compared")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
