#!/usr/bin/env bash
# Builds the Debian package of zumr (the window, zumr-cli, their manual pages,
# the menu entry, the icon, the copyright file and the changelog) from a
# Release build with Debian's hardening flags, and prints its path:
#   bash scripts/package-deb.sh [build-folder]
# Install it with: apt install ./build/package/zumr_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/package}

bash "$root/scripts/setup.sh" package
# The flags Debian builds its own packages with, with every hardening option.
export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
cflags=$(dpkg-buildflags --get CFLAGS)
cxxflags=$(dpkg-buildflags --get CXXFLAGS)
cppflags=$(dpkg-buildflags --get CPPFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
export CFLAGS="$cflags $cppflags" CXXFLAGS="$cxxflags $cppflags" LDFLAGS="$ldflags"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DZUMR_TESTS=OFF -DZUMR_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target zumr zumr-cli
rm -f "$build"/zumr_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/zumr_*.deb
