#!/usr/bin/env bash
# Runs the bundled example unattended and prints where the report went.
set -euo pipefail
bin=${1:-build/release/tavelin}
"$bin" /ml || true
