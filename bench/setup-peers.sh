#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs the launchers that the peer benchmark compares kav-run with, and the
# session bus some of them need. Installs only what is missing; run it again
# at will. Not part of the project's own set-up.
set -eu

packages="gmrun rofi xfce4-appfinder dbus-daemon"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $package"
    fi
done

if [ -z "$missing" ]; then
    echo "setup-peers: all installed:$(printf ' %s' $packages)"
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "setup-peers: run as root to install:$missing" >&2
    exit 1
fi
apt-get update
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
