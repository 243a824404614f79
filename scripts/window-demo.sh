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

source "$root/scripts/demo-site.sh"
trap 'demo_site_stop quiet' EXIT
demo_site_start "$site" window-demo
address=$demo_address
echo "Paste this address into the window's url box and press OK (or Enter), then START:"
echo "  $address"
echo "Downloads go to $(dirname "$window")/ unless the settings say otherwise. Close the window to stop."
status=0
"$window" || status=$?
exit "$status"
