#!/usr/bin/env bash
# Compares the example module pair in examples/ unattended (stand-alone mode) and prints where
# the HTML report went. The run gets a fresh program folder of its own: a copy of the binary and
# of the files the build put beside it (language definitions, "vaelsyst.dat"), with the warning
# file and its columns added to the settings and the report folder set to that folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
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

# Module paths and the warning file are relative to the examples folder. /ml: an instance
# already running elsewhere does not block the example, and no viewer settings are written.
cd "$root/examples"
status=0
report=$(TEMP="$run" "$run/tavelin" /aafter/inventory.c /bbefore/inventory.c /exec /s \
    /ninventory /ml) || status=$?
if [ "$status" -ne 0 ] || [ -z "$report" ]; then
    echo "run-example: no report was written (exit code $status)" >&2
    exit 2
fi
echo "Step comparison of examples/after/inventory.c against examples/before/inventory.c"
echo "Report: $report"
