#!/usr/bin/env bash
# Runs zumr's main job end to end: starts the bundled demo site on 127.0.0.1,
# downloads its manga with zumr-cli, shows where the files are and how to open
# them, and stops the site again.
#   bash scripts/demo.sh [build-folder] [download-folder]
# The build folder must hold zumr-cli and zumr-demo-site (default build/release);
# the download folder defaults to <build-folder>/demo-download.
# ZUMR_DEMO_LAYOUT=designed|2016|2024 picks the page layout the site serves.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
out=${2:-$build/demo-download}
cli=$build/cli/zumr-cli
site=$build/tools/demo_site/zumr-demo-site
manga_name="Демонстрационная манга"

for program in "$cli" "$site"; do
  if [ ! -x "$program" ]; then
    echo "demo: $program is missing; build the project first (scripts/run.sh does)" >&2
    exit 2
  fi
done

source "$root/scripts/demo-site.sh"
trap demo_site_stop EXIT
demo_site_start "$site" demo
address=$demo_address

# A fresh download each time; only the demo manga's own folder is replaced.
mkdir -p "$out"
out=$(cd "$out" && pwd)
manga_dir=$out/$manga_name
rm -rf "$manga_dir"

echo "Downloading with: zumr-cli download $address --out $out"
status=0
"$cli" download "$address" --out "$out" || status=$?
demo_site_stop

echo
if [ "$status" -ne 0 ]; then
  echo "demo: zumr-cli ended with status $status" >&2
  exit "$status"
fi
pictures=$(find "$manga_dir" -type f -name '*.png' | wc -l)
first_page=$(find "$manga_dir" -path '*/book*' -type f -name '*.png' | sort | head -n 1)
echo "Done: $pictures pictures (covers and pages) in"
echo "  $manga_dir"
echo "Folder tree:"
(cd "$manga_dir" && find . -mindepth 1 -maxdepth 2 -type d | sort | sed 's|^\./|  |')
echo "Open the pictures with any image viewer, for example:"
echo "  xdg-open '$first_page'"
echo "What the database file holds (titles, chapters, which pages are on disk):"
echo "  '$cli' info '$manga_dir/$manga_name.zdb'"
