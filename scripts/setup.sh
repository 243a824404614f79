#!/usr/bin/env bash
# Installs the Debian packages zumr needs to build, test and run, when missing.
# Runs as root on Debian 12; apt-get update runs at most once.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libzip-dev libcpp-httplib-dev libutfcpp-dev libcli11-dev nlohmann-json3-dev libstb-dev
  curl wget file libxml2-utils
  qt6-base-dev fonts-dejavu-core
  # Windows build: mingw-w64 (posix threads), Wine with its 32-bit part, a
  # virtual display, the sources of curl and libzip for their DLLs, screenshots.
  g++-mingw-w64-i686-posix libz-mingw-w64-dev wine wine32:i386 xvfb xauth xdotool dpkg-dev imagemagick zip unzip
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

# Debian's curl source package is fetched with apt-get source, which needs a
# deb-src entry; added only when none is configured.
need_update=0
if ! grep -Eqrs '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  cat > /etc/apt/sources.list.d/zumr-deb-src.sources <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  need_update=1
fi

# Wine's 32-bit part comes from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
