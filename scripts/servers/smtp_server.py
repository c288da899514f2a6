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


class RestrictedSignOnHandler(StoringHandler):
    """Stores like the others, but rewrites the AUTH line of its EHLO reply: "none" drops it,
    "foreign" offers only mechanisms the client does not know, to try the client's refusals."""

    def __init__(self, out, auth):
        super().__init__(out)
        self.auth = auth

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        kept = [r for r in responses if not r[4:].upper().startswith("AUTH")]
        if self.auth == "foreign" and len(kept) < len(responses):
            kept.insert(len(kept) - 1, "250-AUTH CRAM-MD5 GSSAPI XOAUTH2")
        return kept


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
    # Submission servers whose sign-on the client must refuse: STARTTLS or implicit TLS, with
    # no AUTH at all or with only unknown mechanisms.
    for name in ("starttls-noauth", "starttls-foreign", "tls-noauth", "tls-foreign"):
        p.add_argument(f"--{name}-port", type=int, required=True)
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

    def restricted(tls, auth_mode):
        def make():
            return SMTP(RestrictedSignOnHandler(a.out, auth_mode), hostname="pelmora-test", data_size_limit=None,
                        tls_context=None if tls == "implicit" else context, authenticator=auth,
                        auth_require_tls=tls != "implicit")
        return make

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    for tls, auth_mode, port in (("starttls", "none", a.starttls_noauth_port),
                                 ("starttls", "foreign", a.starttls_foreign_port),
                                 ("implicit", "none", a.tls_noauth_port),
                                 ("implicit", "foreign", a.tls_foreign_port)):
        loop.run_until_complete(loop.create_server(restricted(tls, auth_mode), "127.0.0.1", port,
                                                   ssl=context if tls == "implicit" else None))
    loop.run_until_complete(loop.create_server(plain, "127.0.0.1", a.plain_port))
    loop.run_until_complete(loop.create_server(starttls, "127.0.0.1", a.starttls_port))
    loop.run_until_complete(loop.create_server(implicit, "127.0.0.1", a.tls_port, ssl=context))
    print("ready", flush=True)
    loop.run_forever()


if __name__ == "__main__":
    sys.exit(main())
