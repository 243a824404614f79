#!/usr/bin/env bash
# Sets up and runs every test: the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (fuzz smoke runs included), and the threaded
# tests once more under ThreadSanitizer. Ends with CTest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

bash "$root/scripts/setup.sh"

common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZUMR_BENCH=OFF -DZUMR_WERROR=ON)

cmake -S "$root" -B "$root/build/tsan" "${common[@]}" -DZUMR_SANITIZE=thread >/dev/null
cmake --build "$root/build/tsan" -j "$jobs"

# The 32-bit Windows build (mingw-w64); its tests run under Wine in the suite below.
cmake -S "$root" -B "$root/build/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DZUMR_BENCH=OFF >/dev/null
cmake --build "$root/build/win32" -j "$jobs"

cmake -S "$root" -B "$root/build/asan" "${common[@]}" -DZUMR_SANITIZE=address -DZUMR_FUZZ=ON \
      -DZUMR_TSAN_DIR="$root/build/tsan" -DZUMR_WIN32_DIR="$root/build/win32" >/dev/null
cmake --build "$root/build/asan" -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# The window's tests need no display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs"
