#!/usr/bin/env bash
# Short fuzz run for CTest: fuzz_binary work_dir seconds [seed_dir ...]
# Fails on any crash, leak or sanitizer report. The corpus in work_dir/corpus
# is kept from run to run: each run starts from what the earlier ones found.
set -euo pipefail
bin=$1 work=$2 seconds=$3
shift 3
corpus="$work/corpus" artifacts="$work/artifacts/"
mkdir -p "$corpus" "$artifacts"
dirs=("$corpus")
for seeds in "$@"; do
  if [ -d "$seeds" ]; then dirs+=("$seeds"); fi
done
exec "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
     -artifact_prefix="$artifacts" "${dirs[@]}"
