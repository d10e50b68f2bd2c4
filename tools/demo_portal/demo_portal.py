#!/usr/bin/env python3
"""A small demo portal on 127.0.0.1. It stops by itself after --lifetime
seconds.

    python3 tools/demo_portal/demo_portal.py --port-file FILE [--lifetime 120]
        [--throttle BYTES_PER_SECOND] [--package-size BYTES]

The chosen port is written to FILE once the server listens. Addresses:

    /banner.html     the banner page
    /portal.html     a portal page that needs a click: its download button
                     leads to /download.html; a short script clicks it by
                     itself three seconds after the page has loaded, so a browser that runs
                     scripts proceeds without input
    /download.html   the page behind the button: it carries the marker
    /direct.html     the marker directly, for editions that run no scripts
                     (the console edition)
    /packages/demo-package.zip
                     the package: an installer script that leaves a note,
                     a readme, and incompressible filler so that it weighs
                     a few MiB; sent at --throttle bytes per second (0: as
                     fast as the connection takes it) so that the progress
                     visibly moves
"""

import argparse
import http.server
import io
import random
import threading
import time
import zipfile

INSTALLER = b"""#!/bin/sh
# The demo package's installer: it leaves a note beside itself and says so.
here=$(cd "$(dirname "$0")" && pwd)
date > "$here/installed.txt"
echo "demo installer: ran, wrote $here/installed.txt"
"""

STAMP = (2026, 12, 1, 12, 0, 0)


def entry(name, mode):
    info = zipfile.ZipInfo(name, date_time=STAMP)
    info.create_system = 3  # Unix, so the mode travels with the file
    info.external_attr = (0o100000 | mode) << 16
    return info


def build_package(size):
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as archive:
        setup = entry("setup.sh", 0o755)
        setup.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(setup, INSTALLER)
        readme = entry("docs/readme.txt", 0o644)
        readme.compress_type = zipfile.ZIP_DEFLATED
        archive.writestr(readme, b"The packstub demo package.\n" * 50)
        # Random bytes do not compress: the package keeps the size asked for.
        filler = entry("data/filler.bin", 0o644)
        filler.compress_type = zipfile.ZIP_STORED
        archive.writestr(filler, random.Random(936).randbytes(max(size, 0)))
    return data.getvalue()


def page(title, body):
    return ("<!DOCTYPE html><html><head><meta charset=\"us-ascii\"><title>%s</title></head>"
            "<body>%s</body></html>" % (title, body)).encode("ascii")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--lifetime", type=float, default=120.0)
    parser.add_argument("--throttle", type=int, default=1 << 20,
                        help="bytes per second for the package; 0 for no limit")
    parser.add_argument("--package-size", type=int, default=4 << 20,
                        help="bytes of incompressible filler in the package")
    options = parser.parse_args()
    package = build_package(options.package_size)

    class Handler(http.server.BaseHTTPRequestHandler):
        def send_head(self, length, content_type):
            self.send_response(200)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(length))
            self.end_headers()

        def send_body(self, body, content_type):
            self.send_head(len(body), content_type)
            self.wfile.write(body)

        def send_throttled(self, body, content_type):
            self.send_head(len(body), content_type)
            if options.throttle <= 0:
                self.wfile.write(body)
                return
            block = max(1, options.throttle // 20)
            start = time.monotonic()
            sent = 0
            while sent < len(body):
                self.wfile.write(body[sent:sent + block])
                sent += block
                delay = start + sent / options.throttle - time.monotonic()
                if delay > 0:
                    time.sleep(delay)

        def do_GET(self):
            port = self.server.server_address[1]
            path, _, query = self.path.partition("?")
            marker = "|||http://127.0.0.1:%d/packages/demo-package.zip*" % port
            if path == "/banner.html":
                self.send_body(page("packstub demo portal",
                                    "<div style=\"background:#1f5aa6;color:#fff;padding:40px 24px;"
                                    "font-family:sans-serif\"><h1>packstub demo portal</h1>"
                                    "<p>The banner page: news and notices of the portal go here.</p></div>"),
                               "text/html")
            elif path == "/portal.html":
                target = "/download.html" + ("?" + query if query else "")
                self.send_body(page("Demo package",
                                    "<p>The demo package is ready.</p>"
                                    "<p><a id=\"download\" href=\"%s\" style=\"display:inline-block;"
                                    "padding:8px 24px;background:#2e8b3d;color:#fff;text-decoration:none;"
                                    "font-family:sans-serif\">Download</a></p>"
                                    "<script>window.onload = function () { setTimeout(function () {"
                                    " document.getElementById('download').click(); }, 3000); };</script>"
                                    % target), "text/html")
            elif path in ("/download.html", "/direct.html"):
                self.send_body(page("Demo package",
                                    "<p>Your package is on its way.</p><!-- %s -->" % marker), "text/html")
            elif path == "/packages/demo-package.zip":
                self.send_throttled(package, "application/zip")
            else:
                self.send_error(404)

        def log_message(self, format, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    timer = threading.Timer(options.lifetime, server.shutdown)
    timer.daemon = True
    timer.start()
    with open(options.port_file, "w") as f:
        f.write(str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
