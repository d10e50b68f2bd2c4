# The GUI half of scripts/demo (sourced by it, with $work, $base and $root
# set and the demo portal running).

wait_for() {  # wait_for SECONDS TEST...: polls the test ten times a second
  limit=$(($1 * 10)); shift
  n=0
  until "$@"; do
    n=$((n + 1))
    [ $n -gt $limit ] && return 1
    sleep 0.1
  done
}
shot() {
  import -window root "$shots/$1"
  echo "screenshot: $shots/$1"
}
window_up() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

shots=${DEMO_SHOTS:-$work/screenshots}
mkdir -p "$shots"
if [ -z "${DISPLAY:-}" ]; then
  # A display of the demo's own, with a window manager so that windows get
  # their title bars as on a desktop.
  exec 4>"$work/display"
  Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  wait_for 10 test -s "$work/display" || { echo "demo: Xvfb did not start" >&2; exit 1; }
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
  if command -v openbox >/dev/null 2>&1; then
    openbox >/dev/null 2>&1 &
    wm_pid=$!
    sleep 0.5
  fi
fi

cp build/linux/bin/packstub "$work/"
build/linux/bin/packtool descriptor create "$work/pack.db" \
  --field 2=demo-001 --field 13=5CE1 --field 15=setup.sh \
  --field 21="$base/banner.html" --field 30="$base/portal.html"
echo "== packstub on $DISPLAY (portal page: $base/portal.html, which clicks its own download button)"
start=$(date +%s.%N)
(cd "$work" && exec /usr/bin/time -f %M -o "$work/peak-rss" ./packstub </dev/null >"$work/packstub.log" 2>&1) &
program_pid=$!
wait_for 30 window_up '^packstub$' || { echo "demo: the portal window did not appear" >&2; exit 1; }
echo "portal window up after $(awk "BEGIN { printf \"%.2f\", $(date +%s.%N) - $start }") s"
# The portal view: the last picture taken before the page's click starts
# the download.
n=0
while [ ! -f "$work/download/demo-package.zip.tmp" ]; do
  n=$((n + 1))
  [ $n -gt 60 ] && { echo "demo: no download started" >&2; exit 1; }
  import -window root "$work/portal-$((n % 2)).png"
  last="$work/portal-$((n % 2)).png"
  sleep 0.4
done
cp "$last" "$shots/linux-portal.png"
echo "screenshot: $shots/linux-portal.png"
sleep 1.5
shot linux-progress.png
wait_for 60 test -f "$work/download/installed.txt" || { echo "demo: the installer did not run" >&2; exit 1; }
sleep 0.5
shot linux-started.png
echo "== closing the portal window"
wmctrl -c packstub 2>/dev/null || xdotool search --onlyvisible --name '^packstub$' windowclose
status=0
wait $program_pid || status=$?
echo "== exit code $status; peak RSS of the packstub process: $(cat "$work/peak-rss") KiB (WebKit's web and network processes not counted)"
echo "== $work/download"
(cd "$work/download" && find . -type f | sort | while read -r f; do ls -l "$f"; done)

# A message box: the program started where no pack.db lies beside it.
mkdir -p "$work/no-descriptor"
cp build/linux/bin/packstub "$work/no-descriptor/"
(cd "$work/no-descriptor" && exec ./packstub </dev/null >/dev/null 2>&1) &
box_pid=$!
if wait_for 30 window_up '^packstub$'; then
  sleep 0.5
  shot linux-message-box.png
  # A single key press can be lost while the box takes the focus: press
  # again until the program has ended, and end it after 10 s at the latest.
  wid=$(xdotool search --onlyvisible --name '^packstub$' | head -n 1)
  for _ in $(seq 20); do
    kill -0 $box_pid 2>/dev/null || break
    xdotool windowfocus "$wid" key Return 2>/dev/null || true
    sleep 0.5
  done
fi
kill $box_pid 2>/dev/null || true
wait $box_pid || true
