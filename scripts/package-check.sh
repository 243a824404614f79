#!/usr/bin/env bash
# Inspects the Debian package that scripts/package-deb.sh built, as the test
# command does: every file in place, the copyright file in Debian's
# machine-readable form, the changelog naming the package's version, the
# manual pages rendering without warnings, zumr-cli --version telling the
# package's version, a CJK font recommended, and lintian finding no error.
#   bash scripts/package-check.sh [build-folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/package}
debs=("$build"/zumr_*.deb)
[ -f "${debs[0]}" ] || { echo "package-check: no zumr_*.deb in $build" >&2; exit 1; }
deb=${debs[0]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "package-check: $*" >&2; failures=$((failures + 1)); }

dpkg-deb -x "$deb" "$work/root"
version=$(dpkg-deb -f "$deb" Version)
doc=$work/root/usr/share/doc/zumr
for file in usr/bin/zumr usr/bin/zumr-cli usr/share/man/man1/zumr.1.gz usr/share/man/man1/zumr-cli.1.gz \
            usr/share/doc/zumr/copyright usr/share/doc/zumr/changelog.gz usr/share/applications/zumr.desktop \
            usr/share/icons/hicolor/scalable/apps/zumr.svg usr/share/icons/hicolor/64x64/apps/zumr.png; do
  [ -f "$work/root/$file" ] || fail "/$file is missing"
done

# Machine-readable copyright: the format line first, and a text for every
# licence a paragraph names.
[ "$(head -n 1 "$doc/copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "copyright is not in the machine-readable format"
for license in $(awk '/^License: / { print $2 }' "$doc/copyright" | sort -u); do
  awk -v l="$license" '$0 == "License: " l { getline; if ($0 ~ /^ /) found = 1 } END { exit !found }' "$doc/copyright" ||
    fail "copyright names the licence $license without its text"
done

gunzip -c "$doc/changelog.gz" > "$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$version" ] ||
  fail "the changelog's latest entry is not version $version"

for page in zumr zumr-cli; do
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$work/root/usr/share/man/man1/$page.1.gz" >"$work/$page.txt" 2>"$work/$page.err" ||
    fail "man -l $page.1.gz failed"
  [ -s "$work/$page.err" ] && fail "man -l $page.1.gz warns: $(cat "$work/$page.err")"
  grep -q "^NAME" "$work/$page.txt" && grep -q "$version" "$work/$page.txt" ||
    fail "the manual page of $page does not render with its name and version $version"
done

[ "$("$work/root/usr/bin/zumr-cli" --version)" = "zumr-cli $version" ] ||
  fail "zumr-cli --version does not say $version"
dpkg-deb -f "$deb" Recommends | grep -q fonts-noto-cjk || fail "no CJK font among the recommended packages"

# lintian ends with a failure on any error; what it says is shown either way.
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || fail "lintian reports errors"
grep -v 'running with root privileges' "$work/lintian" || true

if [ $failures -gt 0 ]; then
  exit 1
fi
echo "package-check: $(basename "$deb") is in order"
