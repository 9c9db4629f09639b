// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef WINDOWSYSTEM_H
#define WINDOWSYSTEM_H

#include <string>

/**
 * The window system that Qt opens for a start with given arguments and
 * environment, decided by Qt's own rule, so that the launcher knows before Qt
 * is loaded where the dialog will be: the platform named by the last
 * -platform option, else by $QT_QPA_PLATFORM, else Wayland first and X11
 * second when $XDG_SESSION_TYPE is "wayland" (as Debian's Qt decides), else
 * X11. Of a list such as "wayland;xcb" the first platform that can connect
 * is taken: Wayland when its socket answers and Qt's plugin for it is
 * installed, X11 when a display is named.
 * Uses the C library alone.
 */
struct WindowSystem
{
    enum Platform {
        /** No platform of the list can connect: only help and the version can be answered. */
        NoWindowSystem,
        /** The X server of display. */
        X11,
        /** The Wayland compositor listening at the socket display. */
        Wayland,
        /** Another Qt platform, display its name (such as "offscreen"). */
        OtherPlatform,
    };

    /** Decides as Qt does for a start with these arguments. */
    static WindowSystem of(int argc, char *argv[]);

    Platform platform = NoWindowSystem;
    /**
     * The X display's name as given, the Wayland socket's path, or the
     * platform's name without its options.
     */
    std::string display;

    /**
     * The single-instance identifier: one instance runs per user and window
     * system, such as "kav-run@:0" for an X server (see x11Server()),
     * "kav-run@wayland:/run/user/1000/wayland-0" or "kav-run@offscreen".
     */
    std::string instanceIdentifier() const;
    /**
     * The X server that the display name @p display names: the name without
     * its screen number, and without the "unix" that may stand for the local
     * host. ":0", ":0.1" and "unix:0" give ":0"; "host:0.0" gives "host:0".
     */
    static std::string x11Server(const std::string &display);
};

#endif
