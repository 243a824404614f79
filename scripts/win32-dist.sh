#!/usr/bin/env bash
# Builds the 32-bit Windows programs with mingw-w64 and packs
# dist/zumr-win32.zip: the executables and libcurl-4.dll side by side, zumr's
# LICENSE.txt and the licence text of every library in the zip. The C and C++
# runtimes and winpthread are linked statically, so no other DLL is needed
# beyond those every Windows has.
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

# The libraries scripts/win32-deps.sh made from Debian's sources, by name.
declare -A dep
while IFS='=' read -r name folder; do
  dep[$name]=$folder
done < <(bash "$root/scripts/win32-deps.sh")

# Every library in the zip, beside the programs or linked into them, with the
# licence text of the Debian source or package it comes from, packed as
# LICENSE.<name>.txt: name, licence file, and the DLL that travels beside the
# programs, if any.
notices=(
  "curl ${dep[curl]}/COPYING libcurl-4.dll"
  "libzip ${dep[libzip]}/LICENSE libzip.dll"
  "zlib /usr/share/doc/libz-mingw-w64-dev/copyright"
  "CLI11 /usr/share/doc/libcli11-dev/copyright"
  "nlohmann-json /usr/share/doc/nlohmann-json3-dev/copyright"
  "utfcpp /usr/share/doc/libutfcpp-dev/copyright"
  "mingw-w64 /usr/share/doc/mingw-w64-i686-dev/copyright"
  "gcc-runtime /usr/share/doc/gcc-mingw-w64-i686-posix-runtime/copyright"
)
cp "$root/LICENSE" "$stage/zumr/LICENSE.txt"
for notice in "${notices[@]}"; do
  read -r name license dll <<<"$notice"
  cp "$license" "$stage/zumr/LICENSE.$name.txt"
  if [ -n "$dll" ]; then
    cp "$build/bin/$dll" "$stage/zumr/"
  fi
done

# Every DLL an executable names must be a system one or travel in the zip.
system='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|advapi32|msvcrt|ws2_32|crypt32|bcrypt|secur32|riched20)\.dll$'
for file in "$stage"/zumr/*.exe "$stage"/zumr/*.dll; do
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
