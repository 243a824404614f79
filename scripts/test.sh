#!/usr/bin/env bash
# Sets up and runs every test, the gate CI runs: the whole suite under
# AddressSanitizer and UndefinedBehaviorSanitizer (fuzz smoke runs included),
# the threaded tests once more under ThreadSanitizer, the Windows build's
# tests under Wine, and the inspection of the Debian package. Ends with
# CTest's summary and the size of the tests against the product code.
# The quick loop while working is scripts/check.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

bash "$root/scripts/setup.sh" test

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The sanitizer builds: -O1 and line tables are what the sanitizers' reports
# need, and compile about a third faster than -O2 with full debug information.
quick='-O1 -gline-tables-only -DNDEBUG'
common=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
        "-DCMAKE_C_FLAGS_RELWITHDEBINFO=$quick" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=$quick"
        -DZUMR_BENCH=OFF -DZUMR_WERROR=ON "${launcher[@]}")

# ThreadSanitizer: only the threaded tests' programs and what they link.
cmake -S "$root" -B "$root/build/tsan" "${common[@]}" -DZUMR_SANITIZE=thread >/dev/null
cmake --build "$root/build/tsan" -j "$jobs" --target zumr_tests

# The 32-bit Windows build (mingw-w64); its tests run under Wine in the suite below.
cmake -S "$root" -B "$root/build/win32" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DZUMR_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$root/build/win32" -j "$jobs"

# The Debian package, built as a user builds it; the suite below inspects it.
bash "$root/scripts/package-deb.sh" "$root/build/package"

cmake -S "$root" -B "$root/build/asan" "${common[@]}" -DZUMR_SANITIZE=address -DZUMR_FUZZ=ON \
      -DZUMR_TSAN_DIR="$root/build/tsan" -DZUMR_WIN32_DIR="$root/build/win32" \
      -DZUMR_PACKAGE_DIR="$root/build/package" >/dev/null
cmake --build "$root/build/asan" -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# The window's tests need no display.
export QT_QPA_PLATFORM=offscreen
status=0
ctest --test-dir "$root/build/asan" --output-on-failure -j "$jobs" || status=$?
bash "$root/scripts/test-ratio.sh"
exit $status
