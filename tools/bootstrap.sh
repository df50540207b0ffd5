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
    # Configure, build and test one preset.
    build_and_test() {
        cmake --preset "$1" >/dev/null
        cmake --build --preset "$1"
        ctest --preset "$1" -j2
    }
    # Style: every C++ file as clang-format leaves it.
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
    step "default build and tests"
    build_and_test default
    step "Debian package"
    # The Debian package of the same build: its files and its dependencies.
    tools/check-package.sh build/default
    step "AddressSanitizer and UndefinedBehaviorSanitizer"
    build_and_test asan
    step "ThreadSanitizer"
    # ThreadSanitizer over the tests whose work runs on several threads (the window's worker,
    # the two sides of a comparison, the report writer).
    build_and_test tsan
    step "engine without Qt, plain code paths"
    # The engine and the run without a window build and pass without Qt, on the plain forms of
    # the SSE2 and population-count paths.
    build_and_test engine
    step "fuzz targets"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    tools/fuzz-smoke.sh build/fuzz 10
    step "Windows under wine"
    # Windows: the engine, the run without a window and the tests cross-built with mingw-w64,
    # the tests run under wine; then the zip's contents, and the same runs on both builds
    # leave the same files byte for byte.
    build_and_test windows
    tools/check-windows.sh build/windows build/engine
    step "done"
    ;;
*)
    echo "usage: $0 [example|test]" >&2
    exit 2
    ;;
esac
