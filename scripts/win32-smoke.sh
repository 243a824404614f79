#!/usr/bin/env bash
# The Windows programs as a user gets them, under Wine: zumr.exe, zumr-cli.exe,
# libcurl-4.dll and libzip.dll alone in an empty folder, against the demo site running on
# this machine. zumr-cli.exe downloads the whole demo manga; zumr.exe is
# started on a virtual display, the address is typed with xdotool, Enter
# pressed, and the window is photographed once the chapters are listed.
#   bash scripts/win32-smoke.sh DEMO-SITE WIN32-BUILD WORK-FOLDER [SCREENSHOT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
site=$1
win32=$(cd "$2" && pwd)
work=$3
shot=${4:-$work/zumr-win32.png}

rm -rf "$work"
mkdir -p "$work/zumr"
work=$(cd "$work" && pwd)
cp "$win32/bin/zumr.exe" "$win32/bin/zumr-cli.exe" "$win32/bin/libcurl-4.dll" "$win32/bin/libzip.dll" "$work/zumr/"
export ZUMR_WINEPREFIX=$win32/wineprefix
wine=$root/scripts/wine-run.sh

"$site" --port 0 --chapters 4 --pages 3 --ready-file "$work/ready" >"$work/site.log" 2>&1 &
site_pid=$!
xvfb_pid=""
cleanup() {
  kill "$site_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 1 100); do
  [ -s "$work/ready" ] && break
  sleep 0.1
done
url=$(cat "$work/ready")
stats=$(echo "$url" | sed -E 's#^(http://[^/]+).*#\1/stats#')

# zumr-cli.exe: the whole manga, every picture as the site sends it.
(cd "$work/zumr" && "$wine" zumr-cli.exe download "$url" --out 'Z:'"${work//\//\\}"'\cli' >"$work/cli.log" 2>&1) || {
  cat "$work/cli.log"; echo "win32-smoke: zumr-cli.exe download failed" >&2; exit 1; }
pictures=$(find "$work/cli" -name '*.png' | wc -l)
echo "zumr-cli.exe: $pictures pictures in $work/cli"
served=$(curl -s "$stats" | sed -E 's/.*"images": ([0-9]+).*/\1/')
[ "$pictures" -eq "$served" ] && [ "$pictures" -gt 12 ] ||
  { echo "win32-smoke: $pictures pictures on disk, $served served" >&2; exit 1; }

# zumr.exe: typed address, Enter, the scan reads every reader page.
display=:$((90 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
sleep 1
reader_pages() { curl -s "$stats" | sed -E 's/.*"reader_pages": ([0-9]+).*/\1/'; }
expected=$(($(reader_pages) + 4))
# A process group of its own, so that it can be ended as a whole if it hangs.
setsid bash -c 'cd "$1" && exec "$2" zumr.exe' _ "$work/zumr" "$wine" >"$work/zumr.log" 2>&1 &
zumr_pid=$!
window=""
for _ in $(seq 1 150); do
  window=$(xdotool search --name '^zUmr$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "win32-smoke: no zUmr window" >&2; exit 1; }
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window")"
# The address box: right of the "url:" label, just below the menu bar.
xdotool mousemove $((X + 150)) $((Y + 30)) click 1
xdotool type --delay 20 "$url"
xdotool key Return
for _ in $(seq 1 100); do
  [ "$(reader_pages)" -ge "$expected" ] && break
  sleep 0.2
done
sleep 2
import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" "$shot"
# Alt+F4 reaches the window as a close request; the program then ends.
xdotool key --window "$window" alt+F4 2>/dev/null || true
for _ in $(seq 1 50); do
  kill -0 "$zumr_pid" 2>/dev/null || break
  sleep 0.2
done
if kill -0 "$zumr_pid" 2>/dev/null; then
  echo "win32-smoke: zumr.exe did not end after Alt+F4" >&2
  kill -- -"$zumr_pid" 2>/dev/null || true
  exit 1
fi
echo "site: $(curl -s "$stats")"
[ "$(reader_pages)" -ge "$expected" ] || { echo "win32-smoke: the window did not scan the manga" >&2; exit 1; }
echo "zumr.exe: scanned; screenshot $shot"
