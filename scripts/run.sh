#!/usr/bin/env bash
# Sets up, builds and runs zumr's main job on this machine: a bundled demo
# site serves a generated manga on 127.0.0.1 and the command-line companion
# downloads it into a folder it names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUMR_WERROR=ON >/dev/null
cmake --build "$root/build/release" -j "$jobs" --target zumr-cli zumr-demo-site

# With a display the window opens on the demo site instead.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -f "$root/scripts/window-demo.sh" ]; then
  cmake --build "$root/build/release" -j "$jobs" --target zumr
  exec bash "$root/scripts/window-demo.sh" "$root/build/release"
fi

if [ -f "$root/scripts/demo.sh" ] && [ -x "$root/build/release/cli/zumr-cli" ]; then
  exec bash "$root/scripts/demo.sh" "$root/build/release" "$@"
fi
echo "Built everything in $root/build/release."
echo "The command-line companion is not part of this build yet, so there is nothing to run beyond the build."
