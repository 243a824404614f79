#!/usr/bin/env bash
# Opens the zumr window next to the bundled demo site on 127.0.0.1 and prints
# the address to paste into it; the site stops when the window is closed.
#   bash scripts/window-demo.sh [build-folder]
# The window takes no options, so the address is not passed in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
window=$build/ui/qt/zumr
site=$build/tools/demo_site/zumr-demo-site

for program in "$window" "$site"; do
  if [ ! -x "$program" ]; then
    echo "window-demo: $program is missing; build the project first (scripts/run.sh does)" >&2
    exit 2
  fi
done

work=$(mktemp -d)
site_pid=""
stop_site() {
  if [ -n "$site_pid" ] && kill -0 "$site_pid" 2>/dev/null; then
    kill -INT "$site_pid"
    wait "$site_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap stop_site EXIT

"$site" --port 0 --chapters 6 --pages 4 --ready-file "$work/ready" >"$work/site.log" 2>&1 &
site_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/ready" ] && break
  if ! kill -0 "$site_pid" 2>/dev/null; then
    echo "window-demo: the demo site did not start:" >&2
    cat "$work/site.log" >&2
    exit 1
  fi
  sleep 0.1
done
if [ ! -s "$work/ready" ]; then
  echo "window-demo: the demo site did not report its address" >&2
  exit 1
fi
address=$(head -n 1 "$work/ready")
echo "Demo site serving $address"
echo "Paste this address into the window's url box and press OK (or Enter), then START:"
echo "  $address"
echo "Downloads go to $(dirname "$window")/ unless the settings say otherwise. Close the window to stop."
status=0
"$window" || status=$?
exit "$status"
