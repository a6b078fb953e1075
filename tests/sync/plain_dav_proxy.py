#!/usr/bin/env python3
"""A plain WebDAV server in front of a real one, for the tests: it refuses
sync-collection reports (so the client must list ETags by PROPFIND) and
drops the ETag of every PUT answer (so the client must learn it otherwise).
Usage: plain_dav_proxy.py LISTEN_PORT UPSTREAM_PORT"""
import http.client
import http.server
import sys

LISTEN, UPSTREAM = int(sys.argv[1]), int(sys.argv[2])


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def relay(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        if self.command == "REPORT" and b"sync-collection" in body:
            return self.answer(403, {}, b"")
        upstream = http.client.HTTPConnection("127.0.0.1", UPSTREAM)
        headers = {k: v for k, v in self.headers.items() if k.lower() not in ("host", "connection")}
        upstream.request(self.command, self.path, body=body, headers=headers)
        reply = upstream.getresponse()
        data = reply.read()
        keep = {k: v for k, v in reply.getheaders()
                if k.lower() not in ("content-length", "connection", "transfer-encoding")
                and not (self.command == "PUT" and k.lower() == "etag")}
        self.answer(reply.status, keep, data)

    def answer(self, status, headers, data):
        self.send_response(status)
        for k, v in headers.items():
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    do_GET = do_PUT = do_DELETE = do_PROPFIND = do_REPORT = do_OPTIONS = relay


http.server.ThreadingHTTPServer(("127.0.0.1", LISTEN), Handler).serve_forever()
