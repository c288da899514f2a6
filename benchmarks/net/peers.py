#!/usr/bin/python3
"""The peers of the mail benchmark: Python's own clients doing the same work.

  peers.py pop3 HOST PORT USER PASSWORD      retrieve and delete every message
  peers.py smtp HOST PORT FILE...            send one message with FILE... attached
"""
import email.message
import os
import poplib
import smtplib
import sys


def pop3(host, port, user, password):
    client = poplib.POP3(host, int(port))
    client.user(user)
    client.pass_(password)
    count, _ = client.stat()
    for number in range(1, count + 1):
        client.retr(number)
        client.dele(number)
    client.quit()


def smtp(host, port, *files):
    message = email.message.EmailMessage()
    message["From"] = "me@here.test"
    message["To"] = "to@there.test"
    message["Subject"] = "benchmark"
    message.set_content("The attachments follow.\n")
    for path in files:
        with open(path, "rb") as f:
            message.add_attachment(f.read(), maintype="application", subtype="octet-stream",
                                   filename=os.path.basename(path))
    with smtplib.SMTP(host, int(port)) as client:
        client.send_message(message)


if __name__ == "__main__":
    {"pop3": pop3, "smtp": smtp}[sys.argv[1]](*sys.argv[2:])
