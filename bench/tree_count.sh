#!/usr/bin/env bash
# The whole count of a project pair by tavelin-count beside `cloc --diff` and beside one
# unattended viewer run (/exec /s) per file pair, timed in the same run on the same two folders.
#
#   bench/tree_count.sh [BUILD_FOLDER] [RUNS]      (default build/release, 3 runs)
#
# The pair: the Python standard libraries of pyenv's 3.10.13 and 3.11.7 without site-packages
# when they are installed, else two trees made from the C headers under /usr/include (the second
# with about 1.5% of the lines of a third of the files changed, some files removed and added).
# Prints the median wall times, the ratios, files per second, MB per second and the counter's
# peak memory. The viewer runs are spread over as many processes at once as there are
# processors, as the counter spreads its pairs over as many threads.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=$(realpath "${1:-$root/build/release}")
runs=${2:-3}
count="$build/tavelin-count"
viewer="$build/tavelin"
for p in "$count" "$viewer"; do
    [ -x "$p" ] || { echo "tree_count: no program at $p (build the release preset)" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

before=/root/.pyenv/versions/3.10.13/lib/python3.10
after=/root/.pyenv/versions/3.11.7/lib/python3.11
exclude=(--exclude site-packages)
cloc_exclude=(--exclude-dir=site-packages)
if [ ! -d "$before" ] || [ ! -d "$after" ]; then
    echo "(pyenv's standard libraries are missing: trees made from /usr/include)"
    before="$work/before"
    after="$work/after"
    exclude=()
    cloc_exclude=()
    mkdir -p "$before" "$after"
    (cd /usr/include && find . -name '*.h' -type f | LC_ALL=C sort | head -n 1750) > "$work/list"
    n=0
    while read -r f; do
        n=$((n + 1))
        mkdir -p "$before/$(dirname "$f")" "$after/$(dirname "$f")"
        cp "/usr/include/$f" "$before/$f"
        case $((n % 30)) in
        0) ;;                                             # removed in the second tree
        1 | 4 | 7 | 10 | 13 | 16 | 19 | 22 | 25 | 28)     # changed
            awk -v s="$n" 'BEGIN { srand(s) } { r = rand();
                if (r < 0.005) next; if (r < 0.010) { print "changed " NR; next }
                if (r < 0.015) print "inserted " NR; print }' "/usr/include/$f" > "$after/$f" ;;
        *) cp "/usr/include/$f" "$after/$f" ;;
        esac
        [ $((n % 50)) -eq 0 ] && cp "/usr/include/$f" "$after/$(dirname "$f")/added_$n.h"
    done < "$work/list"
fi

# The counter's program folder as built: settings and definitions beside the programs. Viewer
# runs get a private work folder (no data file) and several may run at once (/ml).
export TEMP="$work"

timed() {  # prints "seconds peak_kB"
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null 2> "$work/stderr" || {
        echo "tree_count: failed: $*" >&2; cat "$work/stderr" >&2; exit 2; }
    tail -n 1 "$work/time"
}
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

# The pairs the counter counted, for the per-pair viewer runs and the MB figure.
"$count" --format csv "${exclude[@]}" "$before" "$after" > "$work/counts.csv"
python3 - "$work/counts.csv" "$before" "$after" "$work/pairs" <<'PY'
import csv, os, sys
rows, before, after, out = sys.argv[1:5]
files = bytes_ = 0
with open(rows, newline='', encoding='utf-8', errors='surrogateescape') as f, \
        open(out, 'w', encoding='utf-8', errors='surrogateescape') as p:
    for r in csv.DictReader(f):
        if r['status'] in ('total', 'skipped', 'unreadable'):
            continue
        a = os.path.join(after, r['path']) if r['status'] != 'deleted' else ''
        b = os.path.join(before, r['before_path'] or r['path']) if r['status'] != 'added' else ''
        for x in (a, b):
            if x:
                bytes_ += os.path.getsize(x)
        files += 1
        p.write(('/a' + a if a else '/a') + '\t' + ('/b' + b if b else '/b') + '\n')
print(files, bytes_, file=open(out + '.size', 'w'))
PY
read -r files bytes < "$work/pairs.size"
# One unattended viewer per pair, all pairs, as many at once as there are processors, from a
# program folder of its own whose settings send the reports to a scratch folder.
mkdir -p "$work/viewer" "$work/reports"
cp "$viewer" "$build"/*.def "$build/vaelsyst.dat" "$work/viewer/"
printf '\n[OUTPATH]\n%s\n' "$work/reports" >> "$work/viewer/vaelsyst.dat"
viewer="$work/viewer/tavelin"
cat > "$work/viewer-all.sh" <<SH
#!/usr/bin/env bash
tr '\n' '\0' < "$work/pairs" | xargs -0 -P "$(nproc)" -n 1 bash -c \
    'IFS=\$'"'"'\t'"'"' read -r a b <<< "\$0"; args=(); [ "\$a" != /a ] && args+=("\$a");
     [ "\$b" != /b ] && args+=("\$b"); "$viewer" "\${args[@]}" /exec /s /ml > /dev/null 2>&1 || true'
SH
chmod +x "$work/viewer-all.sh"
# The same loop without the viewer: the shell's own share, taken off the viewer's time. (A file
# the viewer cannot open, such as an empty one, makes it say so and write no report; its exit
# status is not looked at.)
sed "s|\"$viewer\" |: |" "$work/viewer-all.sh" > "$work/viewer-none.sh"
chmod +x "$work/viewer-none.sh"

echo "pair: $before -> $after"
echo "counted: $files file pairs, $((bytes / 1000000)) MB (both sides)"
declare -a count_t cloc_t viewer_t
peak=0
for ((i = 0; i < runs; i++)); do
    read -r t m < <(timed "$count" --format csv "${exclude[@]}" -o "$work/out.csv" "$before" "$after")
    count_t+=("$t")
    ((m > peak)) && peak=$m
    read -r t m < <(timed cloc --quiet --diff "${cloc_exclude[@]}" "$before" "$after")
    cloc_t+=("$t")
    if [ "$i" -eq 0 ]; then
        read -r t m < <(timed "$work/viewer-all.sh")
        read -r s m < <(timed "$work/viewer-none.sh")
        viewer_t+=("$(awk -v t="$t" -v s="$s" 'BEGIN { print t - s }')")
    fi
done
c=$(median "${count_t[@]}")
l=$(median "${cloc_t[@]}")
v=$(median "${viewer_t[@]}")
awk -v c="$c" -v l="$l" -v v="$v" -v f="$files" -v b="$bytes" -v pk="$peak" -v n="$runs" 'BEGIN {
    printf "tavelin-count --format csv   %7.3f s  (median of %d)  %6.0f files/s  %6.1f MB/s  peak %d MB\n",
           c, n, f / c, b / 1e6 / c, pk / 1024
    printf "cloc --diff                  %7.3f s  (median of %d)  tavelin-count is %.1fx faster (goal 50x)\n",
           l, n, l / c
    printf "one viewer /exec /s per pair %7.3f s  (once, shell time taken off)  tavelin-count is %.1fx faster (goal 3x)\n",
           v, v / c
}'
