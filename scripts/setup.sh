#!/usr/bin/env bash
# Installs the Debian packages a command of zumr needs, when missing:
#   bash scripts/setup.sh run      building and running zumr
#   bash scripts/setup.sh check    + GoogleTest, for the quick loop (scripts/check.sh)
#   bash scripts/setup.sh package  + what CPack needs for the .deb
#   bash scripts/setup.sh test     everything the full gate (scripts/test.sh) runs
# Runs as root on Debian 12; apt-get update runs at most once.
set -euo pipefail
need=${1:-test}

# Building and running: the compiler and build tools, the libraries, Qt, and
# fonts for Latin, Cyrillic and the Japanese names of mangas.
run=(
  cmake ninja-build g++ pkg-config
  libcurl4-openssl-dev libzip-dev libcpp-httplib-dev libutfcpp-dev libcli11-dev nlohmann-json3-dev libstb-dev
  qt6-base-dev fonts-dejavu-core fonts-noto-cjk
)
check=(libgtest-dev libgmock-dev libxml2-utils unzip)
# dpkg-shlibdeps gives the .deb its dependencies; file lets CPack strip.
package=(dpkg-dev file)
test=(
  clang libclang-rt-14-dev libbenchmark-dev curl wget
  # The package's inspection.
  lintian man-db
  # Windows build: mingw-w64 (posix threads), Wine with its 32-bit part, a
  # virtual display, typing into it, screenshots, the zip.
  g++-mingw-w64-i686-posix libz-mingw-w64-dev wine wine32:i386 xvfb xauth xdotool imagemagick zip unzip
)

case $need in
  run) packages=("${run[@]}") ;;
  check) packages=("${run[@]}" "${check[@]}") ;;
  package) packages=("${run[@]}" "${package[@]}") ;;
  test) packages=("${run[@]}" "${check[@]}" "${package[@]}" "${test[@]}") ;;
  *) echo "setup: say run, check, package or test" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

need_update=0
# The Windows build makes libcurl-4.dll from Debian's curl source package
# (apt-get source), which needs a deb-src entry. It is derived from the Debian
# sources this machine is configured with: the same mirrors, suites and
# components, as deb-src.
if [ "$need" = test ] && ! bash "$(dirname "$0")/apt-sources.sh" has-deb-src; then
  entry=$(mktemp)
  bash "$(dirname "$0")/apt-sources.sh" deb-src > "$entry" || { rm -f "$entry"; exit 1; }
  install -m 644 "$entry" /etc/apt/sources.list.d/zumr-deb-src.sources
  rm -f "$entry"
  echo "setup: added /etc/apt/sources.list.d/zumr-deb-src.sources (source packages from this machine's Debian mirrors)"
  need_update=1
fi

# Wine's 32-bit part comes from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
