#!/usr/bin/env python3
"""A small demo portal on 127.0.0.1: a banner page, a portal page that
carries the download marker, and a ZIP package holding an installer script
that says it ran. It stops by itself after --lifetime seconds.

    python3 tools/demo_portal/demo_portal.py --port-file FILE [--lifetime 120]

The chosen port is written to FILE once the server listens.
"""

import argparse
import http.server
import io
import threading
import zipfile

INSTALLER = b"""#!/bin/sh
# The demo package's installer: it leaves a note beside itself and says so.
here=$(cd "$(dirname "$0")" && pwd)
date > "$here/installed.txt"
echo "demo installer: ran, wrote $here/installed.txt"
"""


def build_package():
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as archive:
        setup = zipfile.ZipInfo("setup.sh", date_time=(2026, 12, 1, 12, 0, 0))
        setup.create_system = 3  # Unix, so the execute bit travels with it
        setup.external_attr = 0o100755 << 16  # a regular file, rwxr-xr-x
        setup.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(setup, INSTALLER)
        readme = zipfile.ZipInfo("docs/readme.txt", date_time=(2026, 12, 1, 12, 0, 0))
        readme.create_system = 3
        readme.external_attr = 0o100644 << 16
        readme.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(readme, b"The packstub demo package.\n" * 50)
    return data.getvalue()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=float, default=120.0)
    options = parser.parse_args()
    package = build_package()

    class Handler(http.server.BaseHTTPRequestHandler):
        def send_body(self, body, content_type):
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def do_GET(self):
            port = self.server.server_address[1]
            path = self.path.split("?", 1)[0]
            if path == "/banner.html":
                self.send_body(b"<html><body><h1>packstub demo portal</h1></body></html>", "text/html")
            elif path == "/portal.html":
                marker = "|||http://127.0.0.1:%d/packages/demo-package.zip*" % port
                page = ("<!DOCTYPE html><html><head><title>Demo package</title></head><body>"
                        "<p>Your package is ready.</p><!-- %s --></body></html>" % marker)
                self.send_body(page.encode("ascii"), "text/html")
            elif path == "/packages/demo-package.zip":
                self.send_body(package, "application/zip")
            else:
                self.send_error(404)

        def log_message(self, format, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    timer = threading.Timer(options.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    with open(options.port_file, "w") as f:
        f.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
