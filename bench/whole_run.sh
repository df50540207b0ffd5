#!/usr/bin/env bash
# The whole unattended run beside GNU diff, in one run, alternately, on the same pair.
#
#   bench/whole_run.sh [TAVELIN_BINARY] [LINES] [RUNS]
#
# The before text is the first LINES (default 900000) lines of the C headers under /usr/include
# concatenated in sorted order; the after text is a copy in which about 1.5% of the lines are
# deleted, changed or preceded by an inserted line (fixed seed, as bench/compare_matcher.sh).
# Each round runs `diff`, the step comparison (/exec /s) and the current-state comparison
# (/exec /s /r), each writing its report; the script prints the median wall time of each, the
# ratios to diff, and the largest peak memory (maximum resident set) beside the inputs' size.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
bin=${1:-$root/build/release/tavelin}
lines=${2:-900000}
runs=${3:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find /usr/include -name '*.h' -type f | LC_ALL=C sort | xargs cat 2>/dev/null |
    head -n "$lines" > "$work/before.h" || true
awk 'BEGIN { srand(1) }
     { r = rand();
       if (r < 0.005) next;
       if (r < 0.010) { print "changed line " NR; next }
       if (r < 0.015) print "inserted line " NR;
       print }' "$work/before.h" > "$work/after.h"
inputs=$(($(stat -c %s "$work/after.h") + $(stat -c %s "$work/before.h")))
echo "pair: $(wc -l < "$work/after.h") + $(wc -l < "$work/before.h") lines, $((inputs / 1000000)) MB"

# One timed run: prints "seconds kilobytes".
timed() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2> "$work/stderr" || true
    tail -n 1 "$work/time"
}

declare -a diff_t step_t cur_t
step_m=0
cur_m=0
for ((i = 0; i < runs; i++)); do
    read -r t m < <(timed diff "$work/after.h" "$work/before.h")
    diff_t+=("$t")
    read -r t m < <(timed "$bin" "/a$work/after.h" "/b$work/before.h" /exec /s /ml /nbench)
    step_t+=("$t")
    ((m > step_m)) && step_m=$m
    read -r t m < <(timed "$bin" "/a$work/after.h" "/b$work/before.h" /exec /s /r /ml /nbench)
    cur_t+=("$t")
    ((m > cur_m)) && cur_m=$m
done

median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
d=$(median "${diff_t[@]}")
s=$(median "${step_t[@]}")
c=$(median "${cur_t[@]}")
awk -v d="$d" -v s="$s" -v c="$c" -v sm="$step_m" -v cm="$cur_m" -v bytes="$inputs" 'BEGIN {
    printf "GNU diff                 %6.3f s\n", d
    printf "step comparison (/exec /s)    %6.3f s  %5.2fx diff   peak %4d MB  %4.2fx inputs\n",
           s, s / d, sm / 1024, sm * 1024 / bytes
    printf "current state (/exec /s /r)   %6.3f s  %5.2fx diff   peak %4d MB  %4.2fx inputs\n",
           c, c / d, cm / 1024, cm * 1024 / bytes
}'
