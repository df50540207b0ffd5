#!/usr/bin/env bash
# Compares the example module pair in examples/ unattended (stand-alone mode) and prints where
# the HTML report went. The run gets a fresh program folder of its own: a copy of the binary and
# of the files the build put beside it (language definitions, "vaelsyst.dat"), with the warning
# file and its columns added to the settings and the report folder set to that folder.
#
#   tools/run-example.sh [--window] [TAVELIN_BINARY]
#
# With --window the pair opens in the window instead (the step comparison runs at start; the
# Save button writes the report), and the script returns when the window is closed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
window=0
if [ "${1:-}" = "--window" ]; then
    window=1
    shift
fi
bin=$(realpath "${1:-$root/build/release/tavelin}")
if [ ! -x "$bin" ]; then
    echo "run-example: no program at $bin (build it first)" >&2
    exit 2
fi

run=$(mktemp -d "${TMPDIR:-/tmp}/tavelin-example.XXXXXX")
src=$(dirname "$bin")
cp "$bin" "$run/tavelin"
cp "$src"/*.def "$run/"
cp "$src/vaelsyst.dat" "$run/vaelsyst.dat"
# Settings that are not in the bundled file: where the warnings are, which column holds what,
# and the folder of the automatic report. Later keys win, so they are simply appended.
cat >>"$run/vaelsyst.dat" <<SETTINGS

[CSVAPATH]
warnings.csv
[CSVBPATH]
warnings.csv
[CSVHDSTR]
File,Line,Code,Message,Severity
[CSVPATNO]
1
[CSVLINNO]
2
[CSVDATNO]
3
[CSVDSCNO]
4
[CSVEXT1NO]
5
[OUTPATH]
$run
SETTINGS

# The viewer's own settings: a roomy window (without the file the viewer starts with its
# defaults and says "System file is invalid.", as on a first start).
printf '[FORM_TOP]\n40\n[FORM_LEFT]\n40\n[FORM_HEIGHT]\n720\n[FORM_WIDTH]\n1200\n[WARN_HEIGHT]\n110\n' \
    >"$run/tavesyst.dat"

# Module paths and the warning file are relative to the examples folder. /ml: an instance
# already running elsewhere does not block the example, and no viewer settings are written.
cd "$root/examples"
if [ "$window" -eq 1 ]; then
    echo "Opening examples/after/inventory.c against examples/before/inventory.c in the window"
    TEMP="$run" "$run/tavelin" /aafter/inventory.c /bbefore/inventory.c /exec /ml
    exit 0
fi
status=0
report=$(TEMP="$run" "$run/tavelin" /aafter/inventory.c /bbefore/inventory.c /exec /s \
    /ninventory /ml) || status=$?
if [ "$status" -ne 0 ] || [ -z "$report" ]; then
    echo "run-example: no report was written (exit code $status)" >&2
    exit 2
fi
echo "Step comparison of examples/after/inventory.c against examples/before/inventory.c"
echo "Report: $report"
