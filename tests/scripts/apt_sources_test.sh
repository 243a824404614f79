#!/usr/bin/env bash
# scripts/apt-sources.sh on made-up apt folders: which configured entries give
# a deb-src entry, and what it holds.
set -uo pipefail
script=$1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0
run() { ZUMR_APT_ETC=$work/etc ZUMR_APT_LISTS=$work/lists bash "$script" "$@"; }
expect() {  # name, expected output, command...
  local name=$1 expected=$2
  shift 2
  local got
  got=$(run "$@" 2>/dev/null)
  if [ "$got" != "$expected" ]; then
    echo "FAIL $name: expected"$'\n'"$expected"$'\n'"got"$'\n'"$got"
    failures=$((failures + 1))
  fi
}
fresh() { rm -rf "${work:?}/etc" "${work:?}/lists"; mkdir -p "$work/etc/sources.list.d" "$work/lists"; }

# Nothing Debian's configured: a clear refusal.
fresh
printf 'deb [signed-by=/usr/share/keyrings/other.gpg] https://repo.example.com/apt stable main\n' > "$work/etc/sources.list"
if run deb-src >/dev/null 2>"$work/err" || ! grep -q 'no Debian package source' "$work/err"; then
  echo "FAIL: no Debian source should be refused with a message"; failures=$((failures + 1))
fi
expect "no deb-src yet" "" has-deb-src

# deb822 signed by Debian's keyring; a disabled one and a foreign one left out;
# one-line entries with options, known as Debian's by their fetched release file.
fresh
cat > "$work/etc/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
# a comment inside
URIs: http://mirror.example.net/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://off.example.net/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
Enabled: no

Types: deb
URIs: https://foreign.example.com/apt
Suites: nodistro
Components: main
Signed-By: /usr/share/keyrings/foreign.gpg
SOURCES
printf '# comment\n  deb [ arch=amd64 ] http://one.example.org/debian-security/ bookworm-security main\ndeb http://other.example.org/ubuntu jammy main\n%s\n' \
  'deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://two.example.org/debian bookworm-backports main' \
  > "$work/etc/sources.list.d/extra.list"
printf 'Origin: Debian\n' > "$work/lists/one.example.org_debian-security_dists_bookworm-security_InRelease"
printf 'Origin: Ubuntu\n' > "$work/lists/other.example.org_ubuntu_dists_jammy_InRelease"
expect "derived entries" "Types: deb-src
URIs: http://one.example.org/debian-security/
Suites: bookworm-security
Components: main

Types: deb-src
URIs: http://two.example.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://mirror.example.net/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" deb-src

# An enabled deb-src entry in either form is found; a disabled one is not.
printf 'Types: deb-src\nURIs: http://off.example.net/debian\nSuites: bookworm\nComponents: main\nEnabled: no\n' \
  > "$work/etc/sources.list.d/src.sources"
run has-deb-src && { echo "FAIL: a disabled deb-src entry counted"; failures=$((failures + 1)); }
printf 'deb-src http://one.example.org/debian bookworm main\n' > "$work/etc/sources.list"
run has-deb-src || { echo "FAIL: a one-line deb-src entry not found"; failures=$((failures + 1)); }

exit $((failures > 0))
