#!/usr/bin/env bash
# Runs every fuzz target in a build folder for a few seconds each, from an empty corpus.
set -euo pipefail
dir=${1:?build folder}
seconds=${2:-20}
shopt -s nullglob
ran=0
for target in "$dir"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    corpus=$(mktemp -d)
    echo "fuzzing $(basename "$target") for ${seconds}s"
    "$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=4096 "$corpus" 2>&1 | tail -n 2
    rm -rf "$corpus"
    ran=$((ran + 1))
done
echo "fuzz targets run: $ran"
