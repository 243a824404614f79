#!/usr/bin/env bash
# Short fuzz run for CTest: fuzz_binary work_dir seconds [seed_dir]
# Fails on any crash, leak or sanitizer report.
set -euo pipefail
bin=$1 work=$2 seconds=$3 seeds=${4:-}
rm -rf "$work" && mkdir -p "$work"
artifacts="$work/artifacts/" && mkdir -p "$artifacts"
dirs=("$work")
[ -n "$seeds" ] && [ -d "$seeds" ] && dirs+=("$seeds")
exec "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
     -artifact_prefix="$artifacts" "${dirs[@]}"
