#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is missing, builds, and starts the run dialog on the current display.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
# su and sudo find the companion program on the search path.
PATH="$PWD/build/stub:$PATH" exec build/app/kav-run "$@"
