#!/usr/bin/env bash
# Builds the release benchmark of the analysis and runs it on a 64 MB generated C text.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/analysis-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVELIN_BENCH=ON \
    -DTAVELIN_TESTS=OFF >/dev/null
ninja -C "$build" -j2 bench_analysis_throughput
"$build/bench/bench_analysis_throughput" "${2:-64}"
