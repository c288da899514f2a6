#!/usr/bin/python3
"""An SMTP server on loopback that stores every message it accepts, for the protocol tests.

Each message goes to OUT/<n>.eml (the data as the server received it, dot-stuffing undone)
with OUT/<n>.json beside it holding the envelope. Variants: plain, STARTTLS required with
AUTH, and implicit TLS with AUTH.
"""
import argparse
import asyncio
import json
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class StoringHandler:
    def __init__(self, out):
        self.out = out
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, f"{os.getpid()}-{self.count}")
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content or b"")
        os.rename(base + ".eml.part", base + ".eml")
        meta = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                "login": session.login_data.decode() if isinstance(session.login_data, bytes)
                else session.login_data}
        with open(base + ".json.part", "w") as f:
            json.dump(meta, f)
        os.rename(base + ".json.part", base + ".json")
        return "250 Message accepted for delivery"


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user \
            and auth_data.password.decode() == password
        return AuthResult(success=ok, handled=False)
    return check


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--out", required=True)
    p.add_argument("--cert", required=True)
    p.add_argument("--key", required=True)
    p.add_argument("--user", required=True)
    p.add_argument("--password", required=True)
    p.add_argument("--plain-port", type=int, required=True)
    p.add_argument("--starttls-port", type=int, required=True)
    p.add_argument("--tls-port", type=int, required=True)
    a = p.parse_args()
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(a.cert, a.key)
    handler = StoringHandler(a.out)
    auth = authenticator(a.user, a.password)

    def plain():
        return SMTP(handler, hostname="pelmora-test", data_size_limit=None)

    def starttls():
        return SMTP(handler, hostname="pelmora-test", data_size_limit=None, tls_context=context,
                    require_starttls=True, authenticator=auth, auth_require_tls=True)

    def implicit():
        return SMTP(handler, hostname="pelmora-test", data_size_limit=None, authenticator=auth,
                    auth_require_tls=False)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    loop.run_until_complete(loop.create_server(plain, "127.0.0.1", a.plain_port))
    loop.run_until_complete(loop.create_server(starttls, "127.0.0.1", a.starttls_port))
    loop.run_until_complete(loop.create_server(implicit, "127.0.0.1", a.tls_port, ssl=context))
    print("ready", flush=True)
    loop.run_forever()


if __name__ == "__main__":
    sys.exit(main())
