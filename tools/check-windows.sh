#!/usr/bin/env bash
# Checks the Windows build against the Linux build of the same sources:
#  1. the zip for Windows users (cpack in the Windows build folder): the programs, the DLLs they
#     need beyond Windows' own, "vaelsyst.dat", every bundled definition, the README, nothing
#     else;
#  2. the programs of that zip, run under wine as a user runs them (from the unzipped folder),
#     leave byte for byte the files the Linux programs leave: the example pair and generated
#     pairs in several encodings, the step and the current-state comparison.
#
#   tools/check-windows.sh [WINDOWS_BUILD] [LINUX_BUILD]   (default build/windows build/engine)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$(realpath "${1:-$root/build/windows}")
linux=$(realpath "${2:-$root/build/engine}")
wine_run="$win/wine-run.sh"
objdump=x86_64-w64-mingw32-objdump
for tool in "$wine_run" "$linux/tavelin"; do
    if [ ! -x "$tool" ]; then
        echo "check-windows: $tool is missing (build both presets first)" >&2
        exit 2
    fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tavelin-check-windows.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail=0
problem() {
    echo "check-windows: $*" >&2
    fail=1
}

# ---------------------------------------------------------------------------------------------
# 1. The zip.
(cd "$win" && rm -f tavelin-*-win64.zip && cpack >cpack.log 2>&1) || {
    cat "$win/cpack.log" >&2
    exit 1
}
zip=$(ls "$win"/tavelin-*-win64.zip)
top=$(basename "$zip" .zip)
mkdir "$scratch/zip"
(cd "$scratch/zip" && cmake -E tar xf "$zip")
folder="$scratch/zip/$top"
if [ ! -d "$folder" ]; then
    problem "$(basename "$zip") does not hold the folder $top"
    exit 1
fi

# Every program the Windows build makes is shipped, with the settings and the definitions.
expected=(README.txt vaelsyst.dat tavesyst.dat)
for program in "$win"/*.exe; do
    expected+=("$(basename "$program")")
done
for def in "$root"/data/*.def; do
    expected+=("$(basename "$def")")
done
# DLLs: each one a shipped program or DLL imports must be in the zip unless Windows has it.
system_dll='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|ws2_32|msvcrt|ntdll|bcrypt|ucrtbase|shlwapi|comdlg32|version|api-ms-win-.*)\.dll$'
for binary in "$folder"/*.exe "$folder"/*.dll; do
    [ -e "$binary" ] || continue
    while read -r dll; do
        lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
        if grep -qE "$system_dll" <<<"$lower"; then
            continue
        fi
        if [ ! -e "$folder/$dll" ]; then
            problem "$(basename "$binary") needs $dll, which the zip lacks"
        fi
        expected+=("$dll")
    done < <("$objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
mapfile -t have < <(cd "$folder" && find . -mindepth 1 | sed 's|^\./||' | sort)
mapfile -t want < <(printf '%s\n' "${expected[@]}" | sort -u)
missing=$(comm -13 <(printf '%s\n' "${have[@]}") <(printf '%s\n' "${want[@]}"))
extra=$(comm -23 <(printf '%s\n' "${have[@]}") <(printf '%s\n' "${want[@]}"))
[ -z "$missing" ] || problem "$(basename "$zip") lacks: $(tr '\n' ' ' <<<"$missing")"
[ -z "$extra" ] || problem "$(basename "$zip") holds what it should not: $(tr '\n' ' ' <<<"$extra")"
if grep -q $'[^\r]$' <(head -c 4096 "$folder/README.txt" | sed -n '1,3p'); then
    problem "README.txt has no CR LF line ends"
fi
echo "check-windows: $(basename "$zip") ($(wc -c <"$zip") bytes, ${#have[@]} files): contents as expected"

# ---------------------------------------------------------------------------------------------
# 2. The same runs on both builds. Each run gets, for each build, a fresh program folder (the
# zip's folder; the Linux programs with the files the build put beside them) and a work folder
# (the current folder of the run, holding the modules). Afterwards every file in both folders
# (but the programs, and the README and DLLs of the zip) must be the same for both builds: the
# report, the viewer settings written at exit, whatever a program writes into its work folder.
linux_program() { # folder
    mkdir -p "$1"
    cp "$linux/vaelsyst.dat" "$linux"/*.def "$1/"
    if [ -e "$linux/tavesyst.dat" ]; then
        cp "$linux/tavesyst.dat" "$1/"
    fi
    local program
    for program in "$folder"/*.exe; do
        program=$(basename "$program" .exe)
        if [ -x "$linux/$program" ]; then
            cp "$linux/$program" "$1/"
        fi
    done
}
windows_program() { # folder
    mkdir -p "$1"
    cp -r "$folder"/. "$1/"
}
# The files of a run's folders that a comparison looks at, as program/... and work/...: all but
# the programs of the zip (and their Linux builds), its DLLs and its README.
programs=$(cd "$folder" && ls -- *.exe | sed 's/\.exe$//; s/[.+]/\\&/g' | paste -sd '|')
skip="program/(README\\.txt|[^/]*\\.dll|($programs)(\\.exe)?)"
run_files() { # side folder
    (cd "$1" && find program work -type f | sort | grep -vxE "$skip" || true)
}

runs=0
files=0
# run_both <name> <setup function> <program> <arguments...>: the program ("tavelin", or another
# program of the zip) with the arguments, in a work folder that the setup function fills; the
# setup gets the program folder as its argument.
run_both() {
    local name=$1 setup=$2 program=$3
    shift 3
    local case="$scratch/run/$name" side
    linux_program "$case/linux/program"
    windows_program "$case/windows/program"
    for side in linux windows; do
        mkdir -p "$case/$side/work"
        (cd "$case/$side/work" && "$setup" "$case/$side/program")
    done
    local before
    before=$(run_files "$case/linux")
    local linux_status=0 windows_status=0
    (cd "$case/linux/work" && TEMP="$case/linux/work" XDG_RUNTIME_DIR="$case/linux" \
        "$case/linux/program/$program" "$@" >"$case/linux.out" 2>"$case/linux.err") ||
        linux_status=$?
    (cd "$case/windows/work" && "$wine_run" "$case/windows/program/$program.exe" "$@" \
        >"$case/windows.out" 2>"$case/windows.err") || windows_status=$?
    runs=$((runs + 1))
    if [ "$linux_status" -ne 0 ] || [ "$windows_status" -ne 0 ]; then
        problem "$name: exit codes $linux_status (Linux) and $windows_status (Windows)"
        cat "$case/linux.err" "$case/windows.err" >&2
        return
    fi
    local after written
    after=$(run_files "$case/linux")
    written=$(comm -13 <(echo "$before") <(echo "$after") | wc -l)
    if [ "$written" -eq 0 ]; then
        problem "$name: the Linux run left no file to compare"
    fi
    files=$((files + written))
    if [ "$(run_files "$case/windows")" != "$after" ]; then
        problem "$name: the runs left different files:" \
            "$(diff <(echo "$after") <(run_files "$case/windows") | grep '^[<>]' | tr '\n' ' ')"
    fi
    local file
    while read -r file; do
        if [ -e "$case/windows/$file" ] && ! cmp -s "$case/linux/$file" "$case/windows/$file"; then
            problem "$name: $file differs: $(cmp "$case/linux/$file" "$case/windows/$file" 2>&1 | head -1)"
            mkdir -p "$root/build/check-windows"
            cp "$case/linux/$file" "$root/build/check-windows/$name-linux-$(basename "$file")"
            cp "$case/windows/$file" "$root/build/check-windows/$name-windows-$(basename "$file")"
        fi
    done <<<"$after"
    rm -rf "$case"
}

# The example pair with its warning file, as tools/run-example.sh runs it.
example_setup() {
    cp -r "$root/examples/after" "$root/examples/before" "$root/examples/warnings.csv" .
    printf '\n[CSVAPATH]\nwarnings.csv\n[CSVBPATH]\nwarnings.csv\n[CSVHDSTR]\nFile,Line,Code,Message,Severity\n[CSVPATNO]\n1\n[CSVLINNO]\n2\n[CSVDATNO]\n3\n[CSVDSCNO]\n4\n[CSVEXT1NO]\n5\n' \
        >>"$1/vaelsyst.dat"
}

# Two versions of a C module with Japanese comments and strings, in one encoding: changed,
# inserted and deleted lines, tabs; UTF-16 with CR LF line ends and a byte-order mark.
japanese_pair() { # encoding
    local encoding=$1
    printf '%s\n' \
        '/* 在庫の集計 */' \
        '#include <stdio.h>' \
        '' \
        'static const char *label = "合計: %d 個\n";' \
        'int count(const int *v, int n)' \
        '{' \
        '	int total = 0;	/* 合計 */' \
        '	for (int i = 0; i < n; ++i) {' \
        '		if (v[i] > 0) {' \
        '			total += v[i];' \
        '		}' \
        '	}' \
        '	return total;' \
        '}' \
        '' \
        'int main(void)' \
        '{' \
        '	int v[] = {1, 2, 3};' \
        '	printf(label, count(v, 3));' \
        '	return 0;' \
        '}' >before.txt
    printf '%s\n' \
        '/* 在庫の集計（改訂版） */' \
        '#include <stdio.h>' \
        '' \
        'static const char *label = "合計：%d 個です\n";' \
        '// 上限を超える値は数えない' \
        'int count(const int *v, int n)' \
        '{' \
        '	int total = 0;	/* 合計 */' \
        '	for (int i = 0; i < n; ++i) {' \
        '		if (v[i] > 0 && v[i] < 1000) {' \
        '			total += v[i];' \
        '		}' \
        '	}' \
        '	return total;' \
        '}' \
        '' \
        'int main(void)' \
        '{' \
        '	int v[] = {1, 2, 3, 4000};' \
        '	printf(label, count(v, 4));' \
        '}' >after.txt
    mkdir -p after before
    for side in after before; do
        case "$encoding" in
            UTF-8) cp $side.txt $side/module.c ;;
            UTF-8-BOM) { printf '\357\273\277'; cat $side.txt; } >$side/module.c ;;
            UTF-16LE | UTF-16BE)
                iconv -f UTF-8 -t "$encoding" <(printf '\357\273\277'; sed 's/$/\r/' $side.txt) \
                    >$side/module.c
                ;;
            *) iconv -f UTF-8 -t "$encoding" $side.txt >$side/module.c ;;
        esac
    done
    rm -f after.txt before.txt
}
encodings=(SHIFT_JIS EUC-JP ISO-2022-JP UTF-8 UTF-8-BOM UTF-16LE UTF-16BE)
# The pair of the encoding the loop below is at.
japanese_setup() { japanese_pair "$encoding"; }

# A longer pair: 3000 lines of C with repeated lines, and a copy with about 2% of its lines
# changed, inserted or deleted.
long_setup() {
    mkdir -p after before
    awk 'BEGIN { srand(23); for (i = 0; i < 3000; i++) {
            r = int(rand() * 10)
            if (r < 2) print ""; else if (r < 3) print "}"; else if (r < 4) print "\t/* note " int(rand() * 50) " */";
            else printf "\tvalue%d = compute(%d, \"s%d\");\n", int(rand() * 400), i % 37, int(rand() * 9) } }' \
        >before/long.c
    awk 'BEGIN { srand(29) } { r = rand(); if (r < 0.007) next; if (r < 0.014) { print "\tchanged(" NR ");"; next }
            if (r < 0.02) print "\tinserted(" NR ");"; print }' before/long.c >after/long.c
}

run_both example-step example_setup tavelin /aafter/inventory.c /bbefore/inventory.c /exec /s /nexample
run_both example-current example_setup tavelin /aafter/inventory.c /bbefore/inventory.c /exec /s /r /nexample
for encoding in "${encodings[@]}"; do
    run_both "$encoding-step" japanese_setup tavelin /aafter/module.c /bbefore/module.c /exec /s /nstep
    run_both "$encoding-current" japanese_setup tavelin /aafter/module.c /bbefore/module.c /exec /s /r /ncurrent
done
# The after module of one encoding against the before module of another.
mixed_setup() {
    japanese_pair UTF-16LE
    mv after/module.c after.c
    japanese_pair SHIFT_JIS
    mv after.c after/module.c
}
run_both mixed-step mixed_setup tavelin /aafter/module.c /bbefore/module.c /exec /s /nmixed
run_both long-step long_setup tavelin /aafter/long.c /bbefore/long.c /exec /s /nlong
run_both long-current long_setup tavelin /aafter/long.c /bbefore/long.c /exec /s /r /nlong
# The project counter over the example trees: the same CSV (its paths are relative, with "/").
# Its comparison reports are the viewer's (checked above); their headings name the module files
# as each system does, so they are not compared here.
run_both count-example example_setup tavelin-count --format csv -o counts.csv before after
run_both count-mixed mixed_setup tavelin-count --format csv -o counts.csv before after

if [ "$fail" -ne 0 ]; then
    exit 1
fi
echo "check-windows: $runs runs under wine wrote the same $files files (reports, settings), byte for" \
    "byte, as on Linux, and left the others unchanged"
