#!/bin/sh
# The HTTPS tests of the Windows build under Wine. That build has no TLS
# server of its own, so this script makes a test CA with two server
# certificates (localhost, other.example), an expired one for localhost and
# a CA nobody trusts with one for localhost, runs an openssl s_server for
# each (and one that offers TLS 1.0 only)
# each on 127.0.0.1 (each ends by itself within a minute), and runs the
# Https tests of net_tests.exe against them; the tests trust the CA through
# the prefix's CurrentUser Root store.
#
#   wine_tls.sh NET_TESTS_EXE WINE_RUN
set -eu
exe=$1
runner=$2
dir=$(mktemp -d "${TMPDIR:-/tmp}/packstub-wine-tls.XXXXXX")
pids=""
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$dir"
}
trap cleanup EXIT INT TERM

cd "$dir"
# RSA keys: Wine's certificate checks reject an ECDSA signature whose r or
# s has a leading zero byte ("a signature is not valid"), which one
# signature in about 128 has; with new keys each run, that failed a run now
# and then. An RSA signature always has the modulus's length.
key="-newkey rsa:2048 -nodes"
printf 'basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:localhost\n' > leaf.cnf
printf 'basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:other.example\n' > other.cnf
{
  openssl req -x509 $key -keyout ca.key -out ca.pem -days 2 -subj "/CN=packstub test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
  openssl req $key -keyout server.key -out server.csr -subj /CN=localhost
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile leaf.cnf -out server.pem
  # Valid from now until a day ago: expired from the start.
  openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days -1 -extfile leaf.cnf -out expired.pem
  openssl req $key -keyout other.key -out other.csr -subj /CN=other.example
  openssl x509 -req -in other.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile other.cnf -out other.pem
  # A second CA that nobody trusts, with a certificate for localhost.
  openssl req -x509 $key -keyout stranger.key -out stranger.pem -days 2 -subj "/CN=stranger CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
  openssl req $key -keyout untrusted.key -out untrusted.csr -subj /CN=localhost
  openssl x509 -req -in untrusted.csr -CA stranger.pem -CAkey stranger.key -CAcreateserial -days 2 \
    -extfile leaf.cnf -out untrusted.pem
} >/dev/null 2>&1

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
port=$(free_port)
other_port=$(free_port)
untrusted_port=$(free_port)
expired_port=$(free_port)
tls10_port=$(free_port)
timeout 60 openssl s_server -quiet -accept "127.0.0.1:$port" -cert server.pem -key server.key -www </dev/null >/dev/null 2>&1 &
pids="$pids $!"
timeout 60 openssl s_server -quiet -accept "127.0.0.1:$other_port" -cert other.pem -key other.key -www </dev/null >/dev/null 2>&1 &
pids="$pids $!"
timeout 60 openssl s_server -quiet -accept "127.0.0.1:$untrusted_port" -cert untrusted.pem -key untrusted.key -www </dev/null >/dev/null 2>&1 &
pids="$pids $!"
timeout 60 openssl s_server -quiet -accept "127.0.0.1:$expired_port" -cert expired.pem -key server.key -www </dev/null >/dev/null 2>&1 &
pids="$pids $!"
timeout 60 openssl s_server -quiet -accept "127.0.0.1:$tls10_port" -cert server.pem -key server.key -www \
  -tls1 -cipher 'DEFAULT@SECLEVEL=0' </dev/null >/dev/null 2>&1 &
pids="$pids $!"
for p in $port $other_port $untrusted_port $expired_port $tls10_port; do
  python3 -c "
import socket, sys, time
for _ in range(50):
    try:
        socket.create_connection(('127.0.0.1', $p), 1).close(); sys.exit(0)
    except OSError:
        time.sleep(0.1)
sys.exit(1)"
done

export PACKSTUB_TLS_CA="$dir/ca.pem" PACKSTUB_TLS_PORT="$port" PACKSTUB_TLS_OTHER_PORT="$other_port"
export PACKSTUB_TLS_UNTRUSTED_PORT="$untrusted_port" PACKSTUB_TLS_EXPIRED_PORT="$expired_port"
export PACKSTUB_TLS_TLS10_PORT="$tls10_port"
"$runner" "$exe" --gtest_filter='Https.*' > output.txt 2>&1 || { cat output.txt; exit 1; }
cat output.txt
# Skipped tests would pass silently: they must have run.
grep -q '^\[  PASSED  \] 5 tests' output.txt && ! grep -q SKIPPED output.txt
