#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the Debian packages kav-run and kav-run-dev from this source tree and
# checks them with lintian: no errors and no warnings.
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
            echo "build-packages: $tool is not installed (scripts/setup.sh --packaging" \
                "installs it); the packages are not built" >&2
            exit 77
        fi
    done
else
    "$source/scripts/setup.sh" --packaging
fi

output=${1:-$source/build-packages}
mkdir -p "$output"
output=$(cd "$output" && pwd)
version=$(dpkg-parsechangelog -l "$source/debian/changelog" -S Version)
tree=$output/kav-run-$version
rm -rf "$tree"
mkdir "$tree"
trap 'rm -rf "$tree"' EXIT
# Version control and build folders stay behind.
tar -C "$source" --exclude-vcs --exclude='./build*' --exclude=./.vscode -cf - . \
    | tar -C "$tree" -xf -

# The compiler cache, where there is one, serves the package build too.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-ccache}"
    export CMAKE_CXX_COMPILER_LAUNCHER="${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}"
fi
(cd "$tree" && dpkg-buildpackage -us -uc -b -jauto)

changes=$output/kav-run_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).changes
lintian --pedantic --fail-on error,warning "$changes"
echo "built and checked: $changes"
