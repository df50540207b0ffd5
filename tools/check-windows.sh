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

# Every program the Windows build makes beside tavelin.exe is shipped.
expected=(README.txt vaelsyst.dat)
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
# 2. The same runs on both builds. Each run gets fresh program folders (the zip's folder, and the
# Linux program with the files the build put beside it) and a work folder of its own holding the
# modules; afterwards every file of both program folders but the programs (and the README and
# DLLs of the zip) must be identical: the report, the viewer settings written at exit.
linux_program() { # folder
    mkdir -p "$1"
    cp "$linux/tavelin" "$linux/vaelsyst.dat" "$linux"/*.def "$1/"
}
windows_program() { # folder
    mkdir -p "$1"
    cp -r "$folder"/. "$1/"
}

runs=0
files=0
# run_both <name> <setup function> <program> <arguments...>: the program ("tavelin", or a
# program added to the zip) with the arguments in the work folder that the setup function fills.
run_both() {
    local name=$1 setup=$2 program=$3
    shift 3
    local case="$scratch/run/$name"
    mkdir -p "$case/work"
    linux_program "$case/linux"
    windows_program "$case/windows"
    (cd "$case/work" && "$setup" "$case/linux" "$case/windows")
    local before
    before=$(cd "$case/linux" && find . -type f | sort)
    local linux_status=0 windows_status=0
    (cd "$case/work" && TEMP="$case/work" XDG_RUNTIME_DIR="$case" \
        "$case/linux/$program" "$@" >"$case/linux.out" 2>"$case/linux.err") || linux_status=$?
    (cd "$case/work" && "$wine_run" "$case/windows/$program.exe" "$@" \
        >"$case/windows.out" 2>"$case/windows.err") || windows_status=$?
    runs=$((runs + 1))
    if [ "$linux_status" -ne 0 ] || [ "$windows_status" -ne 0 ]; then
        problem "$name: exit codes $linux_status (Linux) and $windows_status (Windows)"
        cat "$case/linux.err" "$case/windows.err" >&2
        return
    fi
    local written
    written=$(comm -13 <(echo "$before") <(cd "$case/linux" && find . -type f | sort) | wc -l)
    if [ "$written" -eq 0 ]; then
        problem "$name: the Linux run left no file to compare"
    fi
    files=$((files + written))
    local file
    while read -r file; do
        if [ ! -e "$case/windows/$file" ]; then
            problem "$name: the Windows run left no $file"
        elif ! cmp -s "$case/linux/$file" "$case/windows/$file"; then
            problem "$name: $file differs: $(cmp "$case/linux/$file" "$case/windows/$file" 2>&1 | head -1)"
            mkdir -p "$root/build/check-windows"
            cp "$case/linux/$file" "$root/build/check-windows/$name-linux-$file"
            cp "$case/windows/$file" "$root/build/check-windows/$name-windows-$file"
        fi
    done < <(cd "$case/linux" && find . -type f ! -name "$program" | sed 's|^\./||' | sort)
    while read -r file; do
        if [ ! -e "$case/linux/$file" ]; then
            problem "$name: the Windows run left $file, the Linux run did not"
        fi
    done < <(cd "$case/windows" && find . -type f ! -name '*.exe' ! -name '*.dll' \
        ! -name README.txt | sed 's|^\./||')
    rm -rf "$case"
}

# The example pair with its warning file, as tools/run-example.sh runs it.
example_setup() {
    cp -r "$root/examples/after" "$root/examples/before" "$root/examples/warnings.csv" .
    for program in "$@"; do
        printf '\n[CSVAPATH]\nwarnings.csv\n[CSVBPATH]\nwarnings.csv\n[CSVHDSTR]\nFile,Line,Code,Message,Severity\n[CSVPATNO]\n1\n[CSVLINNO]\n2\n[CSVDATNO]\n3\n[CSVDSCNO]\n4\n[CSVEXT1NO]\n5\n' \
            >>"$program/vaelsyst.dat"
    done
}

# Two versions of a C module with Japanese comments and strings, in one encoding: changed,
# inserted and deleted lines, a tab, a no-count block, a line end of each kind in the middle.
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
for encoding in SHIFT_JIS EUC-JP ISO-2022-JP UTF-8 UTF-8-BOM UTF-16LE UTF-16BE; do
    eval "setup_$(tr -c 'A-Za-z0-9\n' '_' <<<"$encoding")() { japanese_pair $encoding; }"
done

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
for encoding in SHIFT_JIS EUC-JP ISO-2022-JP UTF-8 UTF-8-BOM UTF-16LE UTF-16BE; do
    setup="setup_$(tr -c 'A-Za-z0-9\n' '_' <<<"$encoding")"
    run_both "$encoding-step" "$setup" tavelin /aafter/module.c /bbefore/module.c /exec /s /nstep
    run_both "$encoding-current" "$setup" tavelin /aafter/module.c /bbefore/module.c /exec /s /r /ncurrent
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
# Programs added to the zip join here with runs of their own, e.g. a CSV written by the step
# counter: every file a run leaves in its program folder is compared.

if [ "$fail" -ne 0 ]; then
    exit 1
fi
echo "check-windows: $runs runs under wine wrote the same $files files (reports, settings), byte for" \
    "byte, as on Linux, and left the others unchanged"
