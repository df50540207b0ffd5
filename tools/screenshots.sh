#!/usr/bin/env bash
# Pictures of the window for the README, made from the built program on Qt's offscreen platform
# so that they always show the window as it is:
#   docs/images/changed-pair.png  a changed pair with its changed characters and the overview
#   docs/images/folder-view.png   the folder comparison of the example trees, a pair opened
#
#   tools/screenshots.sh [BUILD_FOLDER]     (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/release}")
out="$root/docs/images"
mkdir -p "$out"
run() { # script, arguments...
    local script=$1
    shift
    env QT_QPA_PLATFORM=offscreen TAVELIN_UI_SCRIPT="$script" XDG_RUNTIME_DIR="$(mktemp -d)" \
        "$build/tavelin" /ml "$@"
}
cd "$root/examples"
run "size:1280x720,next-block,shot:$out/changed-pair.png,end" \
    /a"$root/examples/after/inventory.c" /b"$root/examples/before/inventory.c"
run "size:1280x860,wait-folders,next-file,next-block,shot:$out/folder-view.png,end" \
    /a"$root/examples/after" /b"$root/examples/before"
ls -l "$out"
