#!/usr/bin/env bash
# Builds the Debian package of zumr (the window, zumr-cli, the menu entry and
# the icon) from a Release build and prints its path:
#   bash scripts/package-deb.sh [build-folder]
# Install it with: apt-get install ./build/package/zumr_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/package}

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DZUMR_BENCH=OFF \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target zumr zumr-cli
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/zumr_*.deb
