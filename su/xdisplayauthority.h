// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef XDISPLAYAUTHORITY_H
#define XDISPLAYAUTHORITY_H

#include <QByteArray>

/**
 * The caller's X display and the authority entry its authority file holds
 * for it, as passed on to a command run as another user.
 */
struct XDisplayAuthority
{
    /**
     * Fills both fields from DISPLAY and "xauth -i list", run without a shell
     * and without waiting for the authority file's lock, from an absolute
     * folder of PATH. Silent: an unset
     * DISPLAY, a missing or hanging xauth, no entry or entries with different
     * keys leave the authority line empty.
     */
    void readDisplayAuthority();
    /**
     * Whether a window that another user opens reaches the caller's session.
     * In a Wayland session ($WAYLAND_DISPLAY set) only through XWayland with
     * an authority entry to hand over (a compositor may start XWayland
     * without one, and then every other user is refused), as the session's
     * Wayland socket is never opened to another user; elsewhere the X server
     * decides. Read once.
     */
    static bool reachableByOthers();

    /** DISPLAY unchanged; empty when it is unset or empty. */
    QByteArray displayName;
    /** The protocol name, one blank and the key in hexadecimal; empty when none was found. */
    QByteArray authorityLine;
};

#endif
