#!/bin/bash
# Compares the step counts of the bundled language definitions with cloc's code counts on the
# source files a Debian system carries, per language.
#
# Usage: tools/accuracy.sh [output folder]      (default: build/accuracy)
# Environment: LIMIT  files sampled per language (default 400; 0 = all)
#              BUILD  build folder of the counting tool (default build/accuracy-tool)
#
# Needs cloc (apt-get install -y cloc), cmake, ninja and python3. Writes, in the output folder:
#   summary.md   the per-language table (files, equal share, largest differences)
#   diffs.tsv    every file whose counts differ: language, ours, cloc's, difference, path
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/accuracy}
build=${BUILD:-$root/build/accuracy-tool}
limit=${LIMIT:-400}
mkdir -p "$out"
command -v cloc >/dev/null || { echo "cloc is not installed (apt-get install -y cloc)" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVELIN_BENCH=ON \
    -DTAVELIN_TESTS=OFF >/dev/null
ninja -C "$build" -j2 bench_languages_accuracy >/dev/null
tool="$build/bench/bench_languages_accuracy"
[ -x "$tool" ] || tool=$(find "$build" -name bench_languages_accuracy -type f | head -1)

# Every n-th file of a sorted list, so that the sample is spread and repeatable.
sample() {
    sort -u | awk -v limit="$limit" '{ a[NR] = $0 } END {
        step = (limit > 0 && NR > limit) ? NR / limit : 1
        for (i = 1; i <= NR && (limit == 0 || n < limit); i += step) { print a[int(i)]; n++ } }'
}

lists="$out/lists"
rm -rf "$lists" && mkdir -p "$lists"
find /usr/include -type f -name '*.h' 2>/dev/null | grep -v '/c++/' | sample >"$lists/C"
find /usr/include -type f \( -name '*.hpp' -o -name '*.hh' -o -name '*.hxx' \) 2>/dev/null \
    | sample >"$lists/C++"
find /usr/include/c++ -type f -name '*.h' 2>/dev/null | sample >>"$lists/C++"
find /usr/lib/python3* -type f -name '*.py' 2>/dev/null | sample >"$lists/Python"
find /usr/share/perl* /usr/lib/x86_64-linux-gnu/perl* -type f \( -name '*.pm' -o -name '*.pl' \) \
    2>/dev/null | sample >"$lists/Perl"
find /usr/share -type f -name '*.js' 2>/dev/null | sample >"$lists/JavaScript"
find /usr/share -type f \( -name '*.html' -o -name '*.htm' \) 2>/dev/null | sample >"$lists/HTML"
find /usr/share -type f -name '*.css' 2>/dev/null | sample >"$lists/CSS"
find /usr/share -type f -name '*.xml' 2>/dev/null | sample >"$lists/XML"
find /usr -type f \( -name '*.yaml' -o -name '*.yml' \) 2>/dev/null | sample >"$lists/YAML"
find /usr -type f -name '*.sql' 2>/dev/null | sample >"$lists/SQL"
find /usr -type f -name '*.php' 2>/dev/null | sample >"$lists/PHP"
# Shell: scripts with an extension, plus extension-less scripts of /usr/bin and /usr/sbin whose
# first line names a Bourne-type shell, copied under a .sh name so that both counters take them.
shells="$out/shell-copies"
rm -rf "$shells" && mkdir -p "$shells"
{
    find /usr -type f \( -name '*.sh' -o -name '*.bash' \) 2>/dev/null
    i=0
    for f in /usr/bin/* /usr/sbin/*; do
        [ -f "$f" ] && [ ! -L "$f" ] || continue
        case "$f" in *.*) continue ;; esac
        if head -c 64 "$f" 2>/dev/null | head -1 | grep -qE '^#! ?/(usr/)?bin/(env )?(ba|da)?sh'; then
            i=$((i + 1))
            cp "$f" "$shells/$i-$(basename "$f").sh"
            echo "$shells/$i-$(basename "$f").sh"
        fi
    done
} | sample >"$lists/Shell"

results="$out/results.tsv"
: >"$results"
for list in "$lists"/*; do
    lang=$(basename "$list")
    [ -s "$list" ] || continue
    "$tool" "$root/data" <"$list" | awk -v lang="$lang" -F '\t' '$1 != "-" { print lang "\t" $1 "\t" $2 }' \
        >"$out/ours-$lang.tsv"
    cloc --quiet --skip-uniqueness --by-file --csv --csv-delimiter="$(printf '\t')" \
        --list-file="$list" --report-file="$out/cloc-$lang.tsv" >/dev/null 2>&1 || true
    python3 - "$out/ours-$lang.tsv" "$out/cloc-$lang.tsv" >>"$results" <<'PY'
import sys
ours = {}
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    lang, steps, path = line.rstrip("\n").split("\t", 2)
    ours[path] = (lang, int(steps))
theirs = {}
for line in open(sys.argv[2], encoding="utf-8", errors="replace"):
    parts = line.rstrip("\n").split("\t")
    if len(parts) < 5 or parts[0] == "language" or not parts[4].isdigit():
        continue
    theirs[parts[1]] = int(parts[4])
for path, (lang, steps) in ours.items():
    if path in theirs:
        print(f"{lang}\t{steps}\t{theirs[path]}\t{path}")
PY
done

python3 - "$results" "$out/summary.md" "$out/diffs.tsv" <<'PY'
import sys
from collections import defaultdict
rows = defaultdict(list)
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    lang, ours, cloc, path = line.rstrip("\n").split("\t", 3)
    rows[lang].append((int(ours), int(cloc), path))
with open(sys.argv[2], "w") as md, open(sys.argv[3], "w") as diffs:
    md.write("| Language | Files | Equal | Equal share | Steps (ours) | Code (cloc) | Largest differences (ours - cloc) |\n")
    md.write("|---|---|---|---|---|---|---|\n")
    for lang in sorted(rows):
        r = rows[lang]
        equal = sum(1 for o, c, _ in r if o == c)
        worst = sorted((x for x in r if x[0] != x[1]), key=lambda x: -abs(x[0] - x[1]))
        for o, c, p in worst:
            diffs.write(f"{lang}\t{o}\t{c}\t{o - c}\t{p}\n")
        top = ", ".join(f"{p.split('/')[-1]} {o - c:+d}" for o, c, p in worst[:3])
        md.write(f"| {lang} | {len(r)} | {equal} | {100.0 * equal / len(r):.1f}% | "
                 f"{sum(o for o, _, _ in r)} | {sum(c for _, c, _ in r)} | {top} |\n")
print(open(sys.argv[2]).read())
PY
