#!/usr/bin/env python3
"""Start-up of the GUI edition beside the console edition.

For each run, starts the program in a fresh folder with a descriptor whose
portal page carries a marker, on an Xvfb display of its own, and measures
from the process start:
  - window: the portal window mapped (polled with xdotool), GUI only;
  - page: the package's request reaching the portal; the portal page's
    document-complete handler asks for it at once, so this is the first
    document-complete of the portal page (plus one connect on loopback).
Peak RSS is the program process's own (getrusage of the ended child; the
browser engine's web and network processes are not counted). Prints
medians; the machine should be otherwise idle.

usage: bench/gui_startup.py BIN_DIR [RUNS]
"""
import http.server
import os
import shutil
import signal
import socketserver
import statistics
import subprocess
import sys
import tempfile
import threading
import time

bin_dir = os.path.abspath(sys.argv[1])
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
package_requests = []


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.startswith("/portal.html"):
            body = ("<html><body>portal<!-- |||http://127.0.0.1:%d/pkg.zip* --></body></html>" % port).encode()
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
        elif self.path.startswith("/pkg.zip"):
            package_requests.append(time.monotonic())
            body = b""
            self.send_response(404)
        else:
            body = b"<html><body style='background:#336699'>banner</body></html>"
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
port = server.server_address[1]
threading.Thread(target=server.serve_forever, daemon=True).start()

xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
display = ":" + xvfb.stdout.readline().decode().strip()
env = dict(os.environ, DISPLAY=display)


def one_run(program):
    work = tempfile.mkdtemp(prefix="packstub-startup.")
    shutil.copy(os.path.join(bin_dir, program), work)
    subprocess.run([os.path.join(bin_dir, "packtool"), "descriptor", "create", os.path.join(work, "pack.db"),
                    "--field", "2=bench", "--field", "15=setup",
                    "--field", "21=http://127.0.0.1:%d/banner.html" % port,
                    "--field", "30=http://127.0.0.1:%d/portal.html" % port], check=True, stdout=subprocess.DEVNULL)
    del package_requests[:]
    start = time.monotonic()
    process = subprocess.Popen([os.path.join(work, program)], cwd=work, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = None
    if program == "packstub":
        while window is None and time.monotonic() - start < 30:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^packstub$"], env=env,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.strip()
            if found:
                window = time.monotonic() - start
            else:
                time.sleep(0.005)
    while not package_requests and time.monotonic() - start < 30:
        time.sleep(0.005)
    page = package_requests[0] - start if package_requests else None
    # The banner page settles and the failure message is up; then the peak.
    time.sleep(1.5)
    # Not through Popen, which would reap the child and lose its usage.
    try:
        os.kill(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    _, _, usage = os.wait4(process.pid, 0)
    process.returncode = 0
    rss = usage.ru_maxrss
    shutil.rmtree(work, ignore_errors=True)
    return window, page, rss


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else float("nan")


print("runs: %d each, alternating; times in ms from process start" % runs)
results = {"packstub": [], "packstub-console": []}
for _ in range(runs):
    for program in results:
        results[program].append(one_run(program))
for program, samples in results.items():
    window = median([s[0] for s in samples])
    page = median([s[1] for s in samples])
    rss = median([s[2] for s in samples])
    print("%-17s window mapped %7s   portal page complete %7.0f   peak RSS %6.1f MiB" % (
        program, "%.0f" % (window * 1000) if program == "packstub" else "-", page * 1000, rss / 1024.0))
xvfb.terminate()
server.shutdown()
