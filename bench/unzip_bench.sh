#!/bin/sh
# Times `packtool unzip` against Info-ZIP's `unzip -o -q` on two archives
# made here: one large Deflate file (about 200 MiB) and about 20,000 small
# files in nested directories. Prints the best of RUNS runs of each tool,
# the time ratio (packtool / unzip; the goal is at most 1.0) and packtool's
# peak resident memory (the goal is under 16 MiB for the large file).
#
#   bench/unzip_bench.sh [PACKTOOL] [RUNS]
#
# PACKTOOL defaults to build/linux/bin/packtool; RUNS to 3. Needs zip, unzip,
# python3 and GNU time (/usr/bin/time, Debian package "time").
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
packtool=${1:-$here/build/linux/bin/packtool}
runs=${2:-3}
for tool in zip unzip python3 /usr/bin/time; do
  command -v "$tool" >/dev/null 2>&1 || { echo "unzip_bench: $tool is missing" >&2; exit 2; }
done
[ -x "$packtool" ] || { echo "unzip_bench: no packtool at $packtool" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/packstub-unzip-bench.XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT INT TERM

echo "making the archives in $work ..."
python3 "$here/bench/unzip_bench_data.py" "$work/large" "$work/small"
(cd "$work/large" && zip -q -6 "$work/large.zip" big.bin)
(cd "$work/small" && zip -q -r -6 "$work/small.zip" .)
rm -rf "$work/large" "$work/small"

# Best wall time (seconds) and the peak RSS (KiB) of that run: "SECONDS KIB".
best_of() {
  best=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out"
    mkdir "$work/out"
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null
    read -r seconds kib <"$work/time.txt"
    if [ -z "$best" ] || awk "BEGIN { exit !($seconds < $best) }"; then
      best=$seconds
      best_kib=$kib
    fi
  done
  echo "$best $best_kib"
}

report() {
  name=$1
  archive=$2
  cat "$archive" >/dev/null  # both tools start from the page cache
  set -- $(best_of unzip -o -q "$archive" -d "$work/out")
  unzip_s=$1
  unzip_kib=$2
  cp -a "$work/out" "$work/reference"
  set -- $(best_of "$packtool" unzip "$archive" "$work/out")
  ours_s=$1
  ours_kib=$2
  if diff -r "$work/reference" "$work/out" >/dev/null; then same=yes; else same=NO; fi
  chmod -R u+w "$work/reference"
  rm -rf "$work/reference"
  ratio=$(awk "BEGIN { if ($unzip_s > 0) printf \"%.2f\", $ours_s / $unzip_s; else print \"n/a\" }")
  printf '%-6s %8s MiB  unzip %6.2f s %6d KiB   packtool %6.2f s %6d KiB   ratio %s   same files: %s\n' \
    "$name" "$(($(stat -c %s "$archive") / 1048576))" "$unzip_s" "$unzip_kib" "$ours_s" "$ours_kib" "$ratio" "$same"
}

report large "$work/large.zip"
report small "$work/small.zip"
