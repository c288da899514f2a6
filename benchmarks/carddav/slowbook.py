#!/usr/bin/python3
"""A minimal address book on loopback that answers every write after DELAY seconds, as a
server that far away over the network would: slowbook.py PORT DELAY"""
import sys, threading, time, hashlib
from http.server import ThreadingHTTPServer, BaseHTTPRequestHandler
PORT, DELAY = int(sys.argv[1]), float(sys.argv[2])
cards, lock = {}, threading.Lock()
class H(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *a): pass
    def body(self):
        n = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(n) if n else b""
    def send(self, code, data=b"", extra=()):
        self.send_response(code)
        for k, v in extra: self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers(); self.wfile.write(data)
    def do_PROPFIND(self):
        self.body()
        r = ['<d:response><d:href>/book/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/><c:addressbook/>'
             '</d:resourcetype><d:displayname>book</d:displayname></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>']
        if self.headers.get("Depth") == "1" and self.path.startswith("/book"):
            with lock:
                for href, (etag, _) in cards.items():
                    r.append(f'<d:response><d:href>{href}</d:href><d:propstat><d:prop><d:getetag>{etag}</d:getetag>'
                             '<d:resourcetype/></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>')
        data = ('<?xml version="1.0"?><d:multistatus xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:carddav">'
                + "".join(r) + "</d:multistatus>").encode()
        self.send(207, data, [("Content-Type", "application/xml")])
    def do_PUT(self):
        data = self.body(); time.sleep(DELAY)
        etag = '"' + hashlib.sha1(data).hexdigest() + '"'
        with lock: cards[self.path] = (etag, data)
        self.send(201, b"", [("ETag", etag)])
ThreadingHTTPServer(("127.0.0.1", PORT), H).serve_forever()
