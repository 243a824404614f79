#!/usr/bin/env bash
# Builds the 32-bit Windows programs with mingw-w64 and packs
# dist/zumr-win32.zip: the executables and libcurl-4.dll side by side. The C
# and C++ runtimes and winpthread are linked statically, so no other DLL is
# needed beyond those every Windows has.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win32  # the build the test command makes and tests

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DZUMR_BENCH=OFF >/dev/null
programs=(zumr-cli)
if grep -q '^zumr:' <(cmake --build "$build" --target help); then
  programs=(zumr "${programs[@]}")
fi
cmake --build "$build" -j "$(nproc)" --target "${programs[@]}"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/zumr"
for program in "${programs[@]}"; do
  i686-w64-mingw32-strip -o "$stage/zumr/$program.exe" "$build/bin/$program.exe"
done
cp "$build/bin/libcurl-4.dll" "$build/bin/libzip.dll" "$stage/zumr/"

# Every DLL an executable names must be a system one or travel in the zip.
system='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|advapi32|msvcrt|ws2_32|crypt32|bcrypt|secur32|riched20)\.dll$'
for file in "$stage"/zumr/*; do
  for dll in $(i686-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ { print tolower($3) }'); do
    if ! [[ $dll =~ $system ]] && [ ! -f "$stage/zumr/$dll" ]; then
      echo "win32-dist: $(basename "$file") needs $dll, which is not in the zip" >&2
      exit 1
    fi
  done
done

mkdir -p "$root/dist"
rm -f "$root/dist/zumr-win32.zip"
(cd "$stage" && zip -qr "$root/dist/zumr-win32.zip" zumr)
unzip -l "$root/dist/zumr-win32.zip"
