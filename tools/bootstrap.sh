#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Tavelin and either runs the bundled example
# ("example") or every test ("test": the debug build, the sanitizer build, short fuzz runs and
# the Windows build under wine).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-example}
started=$(date +%s)

packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-svg-dev fonts-dejavu-core fonts-ipafont-gothic dpkg-dev libgit2-dev git)
# The Windows build of "test": the cross compiler, GoogleTest's sources and wine (64-bit alone).
if [ "$mode" = test ]; then
    packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

case "$mode" in
example)
    cmake --preset release >/dev/null
    cmake --build --preset release
    # The project counter over the example trees: one row per file, totals by language.
    echo "tavelin-count examples/before examples/after"
    build/release/tavelin-count --format text examples/before examples/after
    echo
    # The window when there is a display to show it on, else the run without a window.
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec tools/run-example.sh --window build/release/tavelin
    fi
    exec tools/run-example.sh build/release/tavelin
    ;;
test)
    # Each step says how long the run has taken so far, the installation included (CI must stay
    # under 30 minutes).
    step() { echo "== $1 ($(($(date +%s) - started)) s so far)"; }
    # Style: every C++ file as clang-format leaves it.
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
    step "default build and tests"
    cmake --preset default >/dev/null
    cmake --build --preset default
    ctest --preset default -j2
    step "Debian package"
    # The Debian package of the same build: its files and its dependencies.
    tools/check-package.sh build/default
    step "AddressSanitizer and UndefinedBehaviorSanitizer"
    cmake --preset asan >/dev/null
    cmake --build --preset asan
    ctest --preset asan -j2
    step "ThreadSanitizer"
    # ThreadSanitizer over the tests whose work runs on several threads (the window's worker,
    # the two sides of a comparison, the report writer).
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan
    ctest --preset tsan -j2
    step "engine without Qt, plain code paths"
    # The engine and the run without a window build and pass without Qt, on the plain forms of
    # the SSE2 and population-count paths.
    cmake --preset engine >/dev/null
    cmake --build --preset engine
    ctest --preset engine -j2
    step "fuzz targets"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    tools/fuzz-smoke.sh build/fuzz 10
    step "Windows under wine"
    # Windows: the engine, the run without a window and the tests cross-built with mingw-w64,
    # the tests run under wine; then the zip's contents, and the same runs on both builds
    # leave the same files byte for byte.
    cmake --preset windows >/dev/null
    cmake --build --preset windows
    ctest --preset windows -j2
    tools/check-windows.sh build/windows build/engine
    step "done"
    ;;
*)
    echo "usage: $0 [example|test]" >&2
    exit 2
    ;;
esac
