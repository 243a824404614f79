#!/usr/bin/env bash
# Builds (if needed) and runs the zumr-cli benchmarks in an optimised build:
#   bash bench/cli/run.sh [build-folder] [rounds]
# The build folder defaults to build/release (configured here when missing).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
rounds=${2:-5}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUMR_BENCH=ON >/dev/null
fi
cmake --build "$build" --target cli_bench zumr-cli -j 2
for tool in curl wget; do
  command -v "$tool" >/dev/null || echo "note: $tool is not installed; its figures are left out" >&2
done
exec "$build/bench/cli/cli_bench" "$build/cli/zumr-cli" "$rounds"
