#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks what it installs and what it needs.
#
#   tools/check-package.sh [BUILD_FOLDER]     (default build/release)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build/release}")
cd "$build"
rm -f tavelin_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
deb=$(ls tavelin_*.deb)
contents=$(dpkg-deb --contents "$deb")
fail=0
expect() {
    if ! grep -qE "$1" <<<"$contents"; then
        echo "check-package: $deb lacks $2" >&2
        fail=1
    fi
}
expect ' \./usr/lib/tavelin/tavelin$' 'the program'
expect ' \./usr/bin/tavelin -> \.\./lib/tavelin/tavelin$' 'the link /usr/bin/tavelin'
expect ' \./usr/lib/tavelin/tavelin-count$' 'the project counter'
expect ' \./usr/bin/tavelin-count -> \.\./lib/tavelin/tavelin-count$' 'the link /usr/bin/tavelin-count'
expect ' \./usr/share/man/man1/tavelin-count\.1' 'the manual page of tavelin-count'
expect ' \./usr/lib/tavelin/vaelsyst\.dat$' 'the counter settings'
expect ' \./usr/lib/tavelin/tavesyst\.dat$' 'the default viewer settings'
expect ' \./usr/share/applications/tavelin\.desktop$' 'the desktop entry'
expect ' \./usr/share/icons/hicolor/scalable/apps/tavelin\.svg$' 'the icon'
expect ' \./usr/share/man/man1/tavelin\.1' 'the manual page'
definitions=$(grep -cE ' \./usr/lib/tavelin/[^/]+\.def$' <<<"$contents" || true)
bundled=$(ls "$root"/data/*.def | wc -l)
if [ "$definitions" -ne "$bundled" ]; then
    echo "check-package: $definitions definition files packaged, $bundled bundled" >&2
    fail=1
fi

depends=$(dpkg-deb -f "$deb" Depends)
if ! grep -q 'fonts-ipafont-gothic' <<<"$depends"; then
    echo "check-package: Depends lacks fonts-ipafont-gothic: $depends" >&2
    fail=1
fi
if ! grep -q 'fonts-dejavu-core' <<<"$depends"; then
    echo "check-package: Depends lacks fonts-dejavu-core: $depends" >&2
    fail=1
fi
# The window's libraries, when the packaged program links them.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
if objdump -p "$scratch/usr/lib/tavelin/tavelin" | grep -q 'NEEDED.*libQt6Widgets'; then
    if ! grep -q 'libqt6widgets6' <<<"$depends"; then
        echo "check-package: the program links Qt Widgets but Depends lacks libqt6widgets6" >&2
        fail=1
    fi
fi
# The project counter reads repositories with libgit2 when it was built with it.
if objdump -p "$scratch/usr/lib/tavelin/tavelin-count" | grep -q 'NEEDED.*libgit2'; then
    if ! grep -q 'libgit2' <<<"$depends"; then
        echo "check-package: tavelin-count links libgit2 but Depends lacks it" >&2
        fail=1
    fi
fi
if [ "$fail" -ne 0 ]; then
    exit 1
fi
echo "check-package: $deb ($(wc -c <"$deb") bytes): contents and Depends as expected"
echo "Depends: $depends"
