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


def leaves(message):
    """The parts a reader stores as files: a forwarded message is one file, not opened up."""
    if message.is_multipart() and message.get_content_type() != "message/rfc822":
        for part in message.get_payload():
            yield from leaves(part)
    else:
        yield message


def python_view(path):
    messages = []
    box = mailbox.mbox(path, factory=None)
    for key in box.keys():
        raw = box.get_bytes(key)
        if not raw.strip():
            continue
        parsed = email.message_from_bytes(raw, policy=email.policy.compat32)
        subject = parsed.get("Subject")
        try:
            subject = str(email.header.make_header(email.header.decode_header(subject))) if subject else ""
        except Exception:
            subject = str(subject)
        names = set()
        for part in leaves(parsed):
            name = part.get_filename()
            if name and name.strip():
                try:
                    name = str(email.header.make_header(email.header.decode_header(name)))
                except Exception:
                    pass
                name = re.split(r"[\\/:]", name)[-1].strip()
                if name:  # no usable name: stored as "att.N"
                    names.add(name)
        messages.append((norm(subject) or "No Subject", names))
    return messages


def stored_name(location):
    """The attachment's name without the "-N" that kept it from replacing another file."""
    base = os.path.basename(location)
    stem, dot, ext = base.rpartition(".") if "." in base[1:] else (base, "", "")
    stem = re.sub(r"-\d+$", "", stem)
    return stem + dot + ext


def main():
    folder = os.path.join(CORPUS, "mbox")
    if not os.path.isdir(folder):
        print("no corpus here")
        return 77
    failures = 0
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        layout = "eudora" if "Eudora" in name else "mbox"
        with tempfile.TemporaryDirectory() as home:
            result = run(home, "email", "import", path, "--format", layout)
            rows = run(home, "email", "list", "--inbox")
            again = run(home, "email", "import", path, "--format", layout)
            for row in rows:
                for file in row["attachments"]:
                    if not os.path.isfile(file):
                        print(f"{name}: attachment file {file} missing")
                        failures += 1
        # Python reads LF files without a byte-order mark: it gets a copy made so.
        with open(path, "rb") as f:
            data = f.read()
        data = data.removeprefix(b"\xef\xbb\xbf").replace(b"\r\n", b"\n").replace(b"\r", b"\n")
        with tempfile.NamedTemporaryFile(suffix=".mbox") as copy:
            copy.write(data)
            copy.flush()
            expected = python_view(copy.name)
        ours = [norm(row["subject"]) for row in rows]
        theirs = {}
        for subject, names in expected:
            theirs.setdefault(subject, set()).update(names)
        expected = [subject for subject, _ in expected]
        for row in rows:
            got = {stored_name(location) for location in row["attachments"]}
            want = theirs.get(norm(row["subject"]), set())
            if want - got:
                print(f"{name}: {row['subject']!r}: attachments {sorted(want - got)} not stored ({sorted(got)})")
                failures += 1
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
