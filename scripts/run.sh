#!/usr/bin/env bash
# Sets up, builds and runs zumr's main job on this machine: a bundled demo
# site serves a generated manga on 127.0.0.1 and the command-line companion
# downloads it into a folder it names. With a display the window opens on the
# demo site instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/release

bash "$root/scripts/setup.sh" run
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUMR_WERROR=ON \
      -DZUMR_TESTS=OFF -DZUMR_BENCH=OFF >/dev/null
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build "$build" -j "$(nproc)" --target zumr zumr-demo-site
  exec bash "$root/scripts/window-demo.sh" "$build"
fi
cmake --build "$build" -j "$(nproc)" --target zumr-cli zumr-demo-site
exec bash "$root/scripts/demo.sh" "$build" "$@"
