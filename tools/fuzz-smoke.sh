#!/usr/bin/env bash
# Runs every fuzz target in a build folder for a few seconds each, from an empty corpus, two at a
# time (one per processor of the machine CI runs on).
set -euo pipefail
dir=${1:?build folder}
seconds=${2:-20}
jobs=${3:-2}
shopt -s nullglob
targets=()
for target in "$dir"/fuzz/fuzz_*; do
    [ -x "$target" ] && targets+=("$target")
done
run_one() { # target seconds
    local corpus log status=0
    corpus=$(mktemp -d)
    log=$(mktemp)
    "$1" -max_total_time="$2" -max_len=65536 -rss_limit_mb=4096 "$corpus" >"$log" 2>&1 || status=$?
    echo "fuzzed $(basename "$1") for ${2}s: $(tail -n 1 "$log")"
    if [ "$status" -ne 0 ]; then
        cat "$log" >&2
    fi
    rm -rf "$corpus" "$log"
    return "$status"
}
export -f run_one
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one "$1" "$2"' _ {} "$seconds"
echo "fuzz targets run: ${#targets[@]}"
