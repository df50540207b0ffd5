#!/bin/bash
# Times the line matcher beside GNU diff on a large pair built from local text.
#
#   bench/compare_matcher.sh BENCH_BINARY [LINES]
#
# The before text is the first LINES (default 900000) lines of the C headers under /usr/include
# concatenated in sorted order; the after text is a copy in which about 1.5% of the lines are
# deleted, changed or preceded by an inserted line (fixed seed, so every run sees the same pair).
set -euo pipefail

bin=${1:?usage: $0 BENCH_BINARY [LINES]}
lines=${2:-900000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/include -name '*.h' -type f | LC_ALL=C sort | xargs cat | head -n "$lines" > "$work/before.txt" || true
awk 'BEGIN { srand(1) }
     { r = rand();
       if (r < 0.005) next;
       if (r < 0.010) { print "changed line " NR; next }
       if (r < 0.015) print "inserted line " NR;
       print }' "$work/before.txt" > "$work/after.txt"

wc -lc "$work/before.txt" "$work/after.txt"

echo "GNU diff:"
start=$(date +%s.%N)
diff "$work/after.txt" "$work/before.txt" > /dev/null || true
end=$(date +%s.%N)
echo "diff                         $(awk "BEGIN { print $end - $start }") s"

"$bin" "$work/after.txt" "$work/before.txt" "${REPEATS:-1}"
"$bin" --disjoint 100000
