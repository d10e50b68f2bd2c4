#!/usr/bin/env python3
"""A loopback portal that serves its package slowly, so the progress view
can be seen (and photographed) during a download.

    python3 tools/screenshots/slow_portal.py --port-file FILE [--rate 262144] [--lifetime 60]

Pages: /get (the portal page with the download marker), /banner, and
/pkg.zip (a ZIP with setup.exe and 4 MiB of filler, sent at --rate bytes
per second). Stops by itself after --lifetime seconds.
"""

import argparse
import http.server
import io
import os
import threading
import time
import zipfile


def package():
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_STORED) as archive:
        archive.writestr("setup.exe", b"MZ not a real installer")
        archive.writestr("filler.bin", os.urandom(4 * 1024 * 1024))
    return data.getvalue()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--rate", type=int, default=256 * 1024)
    parser.add_argument("--lifetime", type=float, default=60.0)
    args = parser.parse_args()
    body = package()

    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *a):
            pass

        def send(self, data, kind, rate=None):
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            if rate is None:
                self.wfile.write(data)
                return
            step = max(1, rate // 20)
            for i in range(0, len(data), step):
                self.wfile.write(data[i:i + step])
                time.sleep(0.05)

        def do_GET(self):
            host = "http://127.0.0.1:%d" % self.server.server_port
            path = self.path.split("?")[0]
            if path == "/get":
                self.send(("<html><body>|||%s/pkg.zip*</body></html>" % host).encode(), "text/html")
            elif path == "/banner":
                self.send(b"<html><body>banner</body></html>", "text/html")
            elif path == "/pkg.zip":
                self.send(body, "application/zip", args.rate)
            else:
                self.send_error(404)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    with open(args.port_file, "w") as f:
        f.write(str(server.server_port))
    threading.Timer(args.lifetime, server.shutdown).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
