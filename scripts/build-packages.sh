#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the Debian packages kav-run and kav-run-dev from this source tree and
# checks them: lintian reports no errors and no warnings, and kav-run, unpacked
# into a scratch root, starts from there.
#
#   scripts/build-packages.sh [--if-installed] [folder]
#
# The packages, their .buildinfo and .changes go to the folder (default:
# build-packages, which git ignores); the tree is copied there to be built, so
# the source stays clean. What packaging needs is installed first, unless
# --if-installed is given: then missing tools end the script with status 77,
# which the test suite reports as a skipped test.
set -eu
source=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = --if-installed ]; then
    shift
    for tool in dpkg-buildpackage dh lintian; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "build-packages: $tool is not installed (scripts/setup.sh installs it);" \
                "the packages are not built" >&2
            exit 77
        fi
    done
else
    "$source/scripts/setup.sh"
fi

output=${1:-$source/build-packages}
mkdir -p "$output"
output=$(cd "$output" && pwd)
version=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
tree=$output/kav-run-$version
root=$output/root
rm -rf "$tree" "$root"
mkdir "$tree"
trap 'rm -rf "$tree" "$root"' EXIT
# Version control and build folders stay behind.
tar -C "$source" --exclude-vcs --exclude='./build*' --exclude=./.vscode -cf - . \
    | tar -C "$tree" -xf -

# The compiler cache, where there is one, serves the package build too.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-ccache}"
    export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
fi
(cd "$tree" && dpkg-buildpackage -us -uc -b -jauto)

package=$output/kav-run_${version}_$(dpkg-architecture -qDEB_HOST_ARCH)
lintian --pedantic --fail-on error,warning "$package.changes"

# Unpacked, kav-run finds its dialog program beside it and answers without a display.
dpkg-deb -x "$package.deb" "$root"
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/kav-run" --version)
if [ "$answer" != "kav-run $version" ]; then
    echo "build-packages: the unpacked kav-run --version said \"$answer\"" >&2
    exit 1
fi
echo "built and checked: $package.changes"
