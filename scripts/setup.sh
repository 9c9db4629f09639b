#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Installs what building, running and testing kav-run need from Debian's
# packages, building and checking its Debian packages included (the test
# suite does that too). Does nothing when everything is already present.
#
#   scripts/setup.sh
set -eu

# libqt5svg5 draws the SVG icons that most icon themes consist of; python3-gi
# and GLib's introspection data let a test compare desktop entries with GLib;
# dbus, at-spi2-core and python3-pyatspi give a test a screen reader's view.
packages="
build-essential cmake pkg-config
qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools qttranslations5-l10n
libkf5config-dev libkf5coreaddons-dev libqt5svg5
xvfb xauth x11-utils xdotool xclip openbox libxcb1-dev libxcb-damage0-dev libxcb-xtest0-dev
weston xwayland qtwayland5
bc sudo xterm xdg-utils procps passwd login
strace
python3-gi gir1.2-glib-2.0
dbus at-spi2-core python3-pyatspi
adwaita-icon-theme hicolor-icon-theme
dpkg-dev debhelper lintian
"

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $package" ;;
    esac
done

[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
echo "Installing:$missing"
$sudo apt-get update -q
# shellcheck disable=SC2086 # one word per package
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
