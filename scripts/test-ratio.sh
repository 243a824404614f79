#!/usr/bin/env bash
# Prints the size of the tests against the product code: non-blank lines of
# .cpp and .h files under tests/ against those of the product folders.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count() {
  local folders=()
  for folder in "$@"; do
    [ -d "$root/$folder" ] && folders+=("$root/$folder")
  done
  find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -exec cat {} + | grep -c '[^[:space:]]'
}
tests=$(count tests)
product=$(count model parse settings transfer app ui cli)
awk -v t="$tests" -v p="$product" \
  'BEGIN { printf "Test ratio: %d non-blank lines of tests against %d of product code (model parse settings transfer app ui cli): %.2f\n", t, p, t / p }'
