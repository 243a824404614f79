#!/usr/bin/env bash
# Libraries of the Windows build that Debian has no mingw-w64 package for, made
# from Debian's own source packages and cached per source version, so they are
# made once per machine ($ZUMR_CACHE, default ~/.cache/zumr):
#   curl-<version>-i686/{bin,lib,include}: libcurl-4.dll built with mingw-w64,
#     Schannel (Windows' native TLS), no other library; COPYING, the licence
#     text of that source, which travels with the DLL;
#   libzip-<version>-i686/{bin,lib,include}: libzip.dll built with mingw-w64,
#     Debian's mingw-w64 zlib linked into it, stored and deflated entries only;
#     LICENSE, the licence text of that source;
#   cpp-httplib-<version>/httplib.h: the header-only form (Debian's binary
#     package ships the split form with a Linux library), for the test servers.
# Prints "curl=<folder>", "libzip=<folder>" and "httplib=<folder>".
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${ZUMR_CACHE:-$HOME/.cache/zumr}

# The version apt-get source would fetch (its .dsc names it).
source_version() {
  apt-get source --print-uris "$1" 2>/dev/null |
    awk -v p="$1_" '$2 ~ /\.dsc$/ && index($2, p) == 1 { sub(p, "", $2); sub(/\.dsc$/, "", $2); print $2; exit }'
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Unpacks a source package (Debian's patches applied) and prints its folder.
unpack() {
  (cd "$work" && apt-get source -qq "$1" >/dev/null 2>&1)
  find "$work" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n1
}

version=$(source_version cpp-httplib)
[ -n "$version" ] || { echo "win32-deps: no cpp-httplib source package (deb-src missing?)" >&2; exit 1; }
httplib=$cache/cpp-httplib-$version
if [ ! -f "$httplib/httplib.h" ]; then
  src=$(unpack cpp-httplib)
  mkdir -p "$httplib"
  cp "$src/httplib.h" "$httplib/httplib.h.part" && mv "$httplib/httplib.h.part" "$httplib/httplib.h"
fi

version=$(source_version libzip)
[ -n "$version" ] || { echo "win32-deps: no libzip source package (deb-src missing?)" >&2; exit 1; }
libzip=$cache/libzip-$version-i686
if [ ! -f "$libzip/.complete" ] || [ ! -f "$libzip/LICENSE" ]; then
  src=$(unpack libzip)
  rm -rf "$libzip"
  cmake -S "$src" -B "$work/libzip-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$libzip" -DBUILD_SHARED_LIBS=ON \
    -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include \
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF \
    -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF >"$work/libzip-configure.log" 2>&1 \
    || { tail -40 "$work/libzip-configure.log" >&2; exit 1; }
  cmake --build "$work/libzip-build" -j "$(nproc)" >"$work/libzip-build.log" 2>&1 \
    || { tail -40 "$work/libzip-build.log" >&2; exit 1; }
  cmake --install "$work/libzip-build" --strip >/dev/null
  cp "$src/LICENSE" "$libzip/LICENSE"
  echo "$version" > "$libzip/.complete"
fi

version=$(source_version curl)
[ -n "$version" ] || { echo "win32-deps: no curl source package (deb-src missing?)" >&2; exit 1; }
prefix=$cache/curl-$version-i686
if [ -f "$prefix/.complete" ] && [ -f "$prefix/COPYING" ]; then
  echo "curl=$prefix"
  echo "libzip=$libzip"
  echo "httplib=$httplib"
  exit 0
fi
src=$(unpack curl)
if [ -f "$prefix/.complete" ]; then
  # Made before the licence was kept beside the DLL.
  cp "$src/COPYING" "$prefix/COPYING"
  echo "curl=$prefix"
  echo "httplib=$httplib"
  exit 0
fi

rm -rf "$prefix"
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=ON -DLIBCURL_OUTPUT_NAME=libcurl-4 -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
  -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_WINDOWS_SSPI=ON -DENABLE_UNICODE=ON \
  -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF \
  -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF -DCURL_DISABLE_LDAP=ON \
  -DENABLE_MANUAL=OFF -DPICKY_COMPILER=OFF >"$work/configure.log" 2>&1 \
  || { tail -40 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" -j "$(nproc)" >"$work/build.log" 2>&1 || { tail -40 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" --strip >/dev/null
cp "$src/COPYING" "$prefix/COPYING"
echo "$version" > "$prefix/.complete"
echo "curl=$prefix"
echo "libzip=$libzip"
echo "httplib=$httplib"
