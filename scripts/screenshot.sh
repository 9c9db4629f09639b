#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-or-later
# Takes docs/screenshot.png: the run dialog with its advanced options open and
# a command typed in, on an X server of its own. The program runs with a
# private home, so no real settings or history are read or written.
#
#   scripts/screenshot.sh
#
# KAVRUN_BUILD_DIR names the build folder (default: build); kav-run is built
# there when it is missing or out of date.
set -eu
cd "$(dirname "$0")/.."

build=${KAVRUN_BUILD_DIR:-build}
output=docs/screenshot.png
command_text='xterm -e top'

scripts/setup.sh
# import (ImageMagick) captures the window; only this script needs it.
if ! command -v import >/dev/null 2>&1; then
    sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends imagemagick
fi

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target kav-run

work=$(mktemp -d "${TMPDIR:-/tmp}/kavrun-screenshot-XXXXXX")
xvfb_pid=
dialog_pid=
stop() {
    for pid in $dialog_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 1' INT TERM HUP

mkdir -m 700 "$work/home" "$work/runtime"
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_RUNTIME_DIR="$work/runtime"
export XAUTHORITY="$work/Xauthority"
export LANG=C.UTF-8 LANGUAGE='' LC_ALL=''
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

# The first display without a server, guarded by a cookie of our own.
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
: >"$XAUTHORITY"
number=90
while :; do
    if [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; then
        number=$((number + 1))
        continue
    fi
    xauth -q -f "$XAUTHORITY" add ":$number" MIT-MAGIC-COOKIE-1 "$cookie"
    Xvfb ":$number" -auth "$XAUTHORITY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    tries=0
    while [ ! -e "/tmp/.X11-unix/X$number" ] && kill -0 "$xvfb_pid" 2>/dev/null \
        && [ "$tries" -lt 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    [ -e "/tmp/.X11-unix/X$number" ] && break
    # Another server took the number meanwhile: try the next one.
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
    number=$((number + 1))
    [ "$number" -lt 200 ] || { echo "screenshot: no free X display" >&2; exit 1; }
done
export DISPLAY=":$number"

# A user name and a priority on the command line open the advanced options
# with both filled in; closing and opening them with their button lays them
# out as a user sees them, and the priority box is ticked by hand.
"$build/app/kav-run" -u root -p 5 &
dialog_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Run Command$' | head -n 1)
[ -n "$window" ] || { echo "screenshot: the dialog did not appear" >&2; exit 1; }

xdotool windowfocus --sync "$window"
xdotool key --delay 200 alt+a alt+a alt+d alt+m
xdotool type --delay 40 "$command_text"
# Let the field classify the text and the completion list close again.
sleep 1.5

eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p docs
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$output"
echo "wrote $output (${WIDTH}x${HEIGHT})"
