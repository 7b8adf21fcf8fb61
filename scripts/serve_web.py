#!/usr/bin/env python3
"""Serves the web app's site as a host must: with the headers that forbid
other pages to frame it, which browsers take only from a header.

Usage: serve_web.py SITE PORT   (on 127.0.0.1)"""
import functools
import http.server
import sys

HEADERS = {"Content-Security-Policy": "frame-ancestors 'none'", "X-Frame-Options": "DENY"}


class Handler(http.server.SimpleHTTPRequestHandler):
    def end_headers(self):
        for name, value in HEADERS.items():
            self.send_header(name, value)
        super().end_headers()


def main():
    site, port = sys.argv[1], int(sys.argv[2])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=site))
    server.serve_forever()


if __name__ == "__main__":
    main()
