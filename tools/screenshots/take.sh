#!/bin/sh
# Takes the documentation screenshots of the Win32 edition under Wine and
# Xvfb into docs/screenshots/: the portal window (the system's browser
# control, which loads nothing under Wine without its browser engine), the
# progress view during a slow download (the test build whose browsers fetch
# the page source themselves), and the message box (no pack.db).
# Needs the Windows build (build/windows), xvfb-run and ImageMagick.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
bin="$root/build/windows/bin"
out="$root/docs/screenshots"
work=$(mktemp -d)
trap 'cp "$work"/*.log /tmp/ 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$out"
export WINEPREFIX="$root/build/windows/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -d "$root/build/windows/locale/zh_CN.UTF-8" ]; then
  export LOCPATH="$root/build/windows/locale" LC_ALL=zh_CN.UTF-8
fi

# shot NAME SECONDS PROGRAM: runs PROGRAM in a Wine desktop window on a
# display of its own and photographs the screen SECONDS after its first
# window has appeared (at most a minute of waiting).
shot() {
  cat >"$work/run.sh" <<SCRIPT
#!/bin/sh
/usr/lib/wine/wine64 explorer /desktop=packstub,1100x900 "$3" </dev/null >"$work/$1.log" 2>&1 &
n=0
while [ \$n -lt 60 ]; do
  sleep 1
  import -window root "$work/probe.png"
  [ "\$(stat -c %s "$work/probe.png")" -gt 1000 ] && break
  n=\$((n + 1))
done
sleep $2
import -window root "$out/$1.png"
/usr/lib/wine/wineserver -k
/usr/lib/wine/wineserver -w
SCRIPT
  chmod +x "$work/run.sh"
  xvfb-run -a -s "-screen 0 1100x900x24" "$work/run.sh"
  sleep 2
}

python3 "$root/tools/screenshots/slow_portal.py" --port-file "$work/port" --lifetime 120 &
while [ ! -s "$work/port" ]; do sleep 0.1; done
port=$(cat "$work/port")
descriptor() {
  /usr/lib/wine/wine64 "$bin/packtool.exe" descriptor create "$1/pack.db" --field 2=pkg-42 --field 15=setup.exe \
    --field "21=http://127.0.0.1:$port/banner" --field "30=http://127.0.0.1:$port/get" </dev/null >/dev/null
}

mkdir -p "$work/portal" "$work/progress" "$work/box"
cp "$bin/packstub.exe" "$work/portal/packstub.exe"
descriptor "$work/portal"
shot portal-window 2 "$work/portal/packstub.exe"

cp "$bin/packstub_fake_browser.exe" "$work/progress/packstub.exe"
descriptor "$work/progress"
shot progress-view 4 "$work/progress/packstub.exe"

cp "$bin/packstub.exe" "$work/box/packstub.exe"
shot message-box 1 "$work/box/packstub.exe"
kill %1 2>/dev/null || true
