#!/usr/bin/env bash
# Builds (if needed) and runs the benchmarks of parallel transfers through a
# relay that adds a round trip, in an optimised build:
#   bash bench/connections/run.sh [build-folder] [rounds]
# The build folder defaults to build/release (configured here when missing).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
rounds=${2:-3}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUMR_BENCH=ON >/dev/null
fi
cmake --build "$build" --target connections_bench zumr-cli -j 2
exec "$build/bench/connections/connections_bench" "$build/cli/zumr-cli" "$rounds"
