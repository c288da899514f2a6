#!/usr/bin/python3
"""The server side of the contact-sync benchmark: a plain WebDAV client over http.client.

  dav.py URL mkbook NAME             create an address book NAME under URL (the user's home)
  dav.py BOOK_URL fill N PREFIX      put N cards, e-mail PREFIX<i>@example.org
  dav.py BOOK_URL change N SEED      change N random cards (their TITLE)
  dav.py BOOK_URL create N PREFIX    put N new cards
  dav.py BOOK_URL delete N SEED      delete N random cards
  dav.py BOOK_URL emails             the e-mail addresses of every card, one a line
User and password from DAV_USER and DAV_PASSWORD.
"""
import base64
import http.client
import os
import random
import re
import sys
import urllib.parse
import uuid

AUTH = "Basic " + base64.b64encode(f"{os.environ['DAV_USER']}:{os.environ['DAV_PASSWORD']}".encode()).decode()


class Dav:
    def __init__(self, url):
        u = urllib.parse.urlsplit(url)
        self.path = u.path if u.path.endswith("/") else u.path + "/"
        self.conn = http.client.HTTPConnection(u.hostname, u.port, timeout=120)

    def request(self, method, path, body=None, headers=None):
        h = {"Authorization": AUTH}
        h.update(headers or {})
        self.conn.request(method, path, body.encode() if isinstance(body, str) else body, h)
        r = self.conn.getresponse()
        data = r.read()
        return r.status, r.getheader("ETag"), data.decode("utf-8", "replace")

    def listing(self):
        status, _, body = self.request("PROPFIND", self.path,
                                       '<d:propfind xmlns:d="DAV:"><d:prop><d:getetag/></d:prop></d:propfind>',
                                       {"Depth": "1", "Content-Type": "application/xml"})
        assert status == 207, status
        out = {}
        for resp in re.findall(r"<(?:\w+:)?response>(.*?)</(?:\w+:)?response>", body, re.S):
            href = re.search(r"<(?:\w+:)?href>([^<]*)<", resp).group(1)
            etag = re.search(r"<(?:\w+:)?getetag>([^<]*)<", resp)
            if etag and not href.endswith("/"):
                out[href] = etag.group(1).replace("&quot;", '"')
        return out

    def cards(self, hrefs):
        result = {}
        hrefs = list(hrefs)
        for i in range(0, len(hrefs), 500):
            body = ('<c:addressbook-multiget xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">'
                    '<d:prop><d:getetag/><c:address-data/></d:prop>'
                    + "".join(f"<d:href>{h}</d:href>" for h in hrefs[i:i + 500]) + "</c:addressbook-multiget>")
            status, _, text = self.request("REPORT", self.path, body, {"Depth": "1", "Content-Type": "application/xml"})
            assert status == 207, status
            for resp in re.findall(r"<(?:\w+:)?response>(.*?)</(?:\w+:)?response>", text, re.S):
                href = re.search(r"<(?:\w+:)?href>([^<]*)<", resp).group(1)
                data = re.search(r"address-data[^>]*>(.*?)</", resp, re.S)
                if data:
                    result[href] = data.group(1).replace("&#13;", "\r").replace("&lt;", "<").replace("&gt;", ">").replace("&amp;", "&")
        return result


def card(mail, name, title=""):
    uid = str(uuid.uuid4())
    return uid, ("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name + ";Test;;;\r\n"
                 + "EMAIL;TYPE=INTERNET:" + mail + "\r\n" + (f"TITLE:{title}\r\n" if title else "") + "END:VCARD\r\n")


def put_new(dav, mail, name):
    uid, text = card(mail, name)
    status, _, _ = dav.request("PUT", dav.path + uid + ".vcf", text,
                               {"Content-Type": "text/vcard", "If-None-Match": "*"})
    assert status in (200, 201, 204), status


def main():
    url, command = sys.argv[1], sys.argv[2]
    dav = Dav(url)
    if command == "mkbook":
        name = sys.argv[3]
        body = ('<d:mkcol xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav"><d:set><d:prop><d:resourcetype>'
                '<d:collection/><c:addressbook/></d:resourcetype><d:displayname>' + name
                + '</d:displayname></d:prop></d:set></d:mkcol>')
        status, _, text = dav.request("MKCOL", dav.path + name + "/", body, {"Content-Type": "application/xml"})
        assert status in (200, 201), (status, text)
    elif command in ("fill", "create"):
        n, prefix = int(sys.argv[3]), sys.argv[4]
        for i in range(n):
            put_new(dav, f"{prefix}{i}@example.org", f"{prefix}{i}")
    elif command == "change":
        n, rng = int(sys.argv[3]), random.Random(sys.argv[4])
        listing = dav.listing()
        for href in rng.sample(sorted(listing), min(n, len(listing))):
            text = dav.cards([href]).get(href)
            if text is None:
                continue
            text = re.sub(r"TITLE:[^\r\n]*\r?\n", "", text)
            text = text.replace("END:VCARD", f"TITLE:changed {rng.random():.6f}\r\nEND:VCARD")
            dav.request("PUT", href, text, {"Content-Type": "text/vcard", "If-Match": listing[href]})
    elif command == "delete":
        n, rng = int(sys.argv[3]), random.Random(sys.argv[4])
        listing = dav.listing()
        for href in rng.sample(sorted(listing), min(n, len(listing))):
            dav.request("DELETE", href, None, {"If-Match": listing[href]})
    elif command == "emails":
        for text in dav.cards(dav.listing()).values():
            m = re.search(r"^EMAIL[^:\r\n]*:([^\r\n]*)", text, re.M)
            print(m.group(1) if m else "")
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
