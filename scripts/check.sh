#!/usr/bin/env bash
# The quick loop while working: one build without sanitizers (build/check),
# then the unit and end-to-end tests. Wine, fuzzing, ThreadSanitizer and the
# package are left to the full gate, scripts/test.sh.
#   bash scripts/check.sh [ctest options...]    e.g. -L unit, or -R Manga
# CXX=clang++ builds with clang, in build/check-clang++; ccache is used when
# installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/check${CXX:+-$(basename "$CXX")}
jobs=$(nproc)

bash "$root/scripts/setup.sh" check

options=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DZUMR_WERROR=ON -DZUMR_BENCH=OFF)
if command -v ccache >/dev/null; then
  # Paths relative to the checkout, so clones and worktrees share the cache.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=true
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$jobs" -L 'unit|e2e' "$@"
