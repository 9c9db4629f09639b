#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what is missing, builds with warnings as errors, and runs the whole
# test suite.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVRUN_WERROR=ON
cmake --build build -j"$(nproc)"
cd build
status=0
ctest --output-on-failure -j"$(nproc)" || status=$?
if [ "$status" -ne 0 ]; then
    # The failing checks again, at the end where a shortened log still shows them.
    echo "Failed checks:"
    grep -h -B1 -A2 "^FAIL!" Testing/Temporary/LastTest*.log || true
fi
exit "$status"
