#!/bin/sh
# Times `packtool fetch` against `curl -s -o` on a 1 GiB file served by
# nginx on 127.0.0.1 (started and stopped here), alternating the two tools
# in the same run and writing into the same directory. packtool runs with
# its work events on, as the program does (its progress line is drawn only
# on a terminal, and standard error is not one here). Prints each run, the
# time ratio (packtool / curl, totals of all runs; the goal is at most 1.0)
# and packtool's peak resident memory (the goal is under 16 MiB).
#
#   bench/fetch_bench.sh [PACKTOOL] [RUNS]
#
# PACKTOOL defaults to build/linux/bin/packtool; RUNS to 3. Needs nginx
# (Debian package "nginx"), curl, and GNU time (/usr/bin/time).
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
packtool=${1:-$here/build/linux/bin/packtool}
runs=${2:-3}
for tool in nginx curl /usr/bin/time python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "fetch_bench: $tool is missing" >&2; exit 2; }
done
[ -x "$packtool" ] || { echo "fetch_bench: no packtool at $packtool" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/packstub-fetch-bench.XXXXXX")
nginx_pid=""
stop() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap stop EXIT INT TERM

mkdir -p "$work/www" "$work/out" "$work/nginx"
# Random bytes, so that nothing along the way can make light work of them.
head -c 1073741824 /dev/urandom > "$work/www/package.bin"

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# nginx's workers leave root for nobody unless told otherwise, and nobody
# cannot enter the private temporary directory.
user_line=""
[ "$(id -u)" -eq 0 ] && user_line="user root;"
cat > "$work/nginx/nginx.conf" <<CONF
$user_line
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  default_type application/zip;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF
# Ends by itself after an hour should this script be killed without its trap.
timeout 3600 nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
  curl -s -o /dev/null "http://127.0.0.1:$port/" && break
  sleep 0.2
done

url="http://127.0.0.1:$port/package.bin"
# The served file must not still be on its way to the disk while a tool is
# timed, and neither must the previous run's output: flush both first, and
# fetch once untimed so that the first timed run is not the one that warms
# up nginx and the page cache.
sync
curl -s -o /dev/null "$url"
now() { date +%s.%N; }
total_ours=0
total_curl=0
peak=0
i=1
while [ "$i" -le "$runs" ]; do
  rm -f "$work/out/"*
  sync
  start=$(now)
  /usr/bin/time -f %M -o "$work/rss" "$packtool" fetch "$url" "$work/out/package.bin" 2>/dev/null
  ours=$(python3 -c "print($(now) - $start)")
  rss=$(cat "$work/rss")
  [ "$(stat -c %s "$work/out/package.bin")" -eq 1073741824 ] || { echo "fetch_bench: packtool's file has the wrong size" >&2; exit 1; }
  rm -f "$work/out/"*
  sync
  start=$(now)
  curl -s -o "$work/out/package.bin" "$url"
  theirs=$(python3 -c "print($(now) - $start)")
  printf 'run %d: packtool %.2f s (%d KiB peak), curl %.2f s\n' "$i" "$ours" "$rss" "$theirs"
  total_ours=$(python3 -c "print($total_ours + $ours)")
  total_curl=$(python3 -c "print($total_curl + $theirs)")
  [ "$rss" -gt "$peak" ] && peak=$rss
  i=$((i + 1))
done
python3 -c "print('ratio packtool/curl: %.3f (goal <= 1.0)' % ($total_ours / $total_curl))"
python3 -c "print('packtool peak resident memory: %.1f MiB (goal < 16 MiB)' % ($peak / 1024))"
