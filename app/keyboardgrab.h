// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KEYBOARDGRAB_H
#define KEYBOARDGRAB_H

#include <xcb/xcb.h>

#include <memory>

/**
 * A connection of its own to an X server that asks for the keyboard with the
 * keyboard frozen, so that the server queues every key, and lets it go: the
 * queued keys then go to the window that has the focus, in the order typed.
 *
 * libxcb is loaded when the connection is made, so that a program that never
 * grabs does not load it. One thread at a time uses an object.
 */
class KeyboardGrab
{
public:
    KeyboardGrab();
    /** Disconnects; a grab ends with the connection. */
    ~KeyboardGrab();
    KeyboardGrab(const KeyboardGrab &) = delete;
    KeyboardGrab &operator=(const KeyboardGrab &) = delete;

    /** Connects to the X display @p display; false when that failed. */
    bool connect(const char *display);
    /** Asks for the keyboard, without waiting for the answer. */
    void ask();
    /**
     * Waits for the keyboard asked for, asking again while another client
     * holds it, such as the window manager until the key that started
     * kav-run is let go; holds it until @p release reads as closed or
     * written to, or until @p deadline (monotonicMs()), then lets it go.
     */
    void holdUntilReleased(int release, long long deadline);

    /** Whether @p release reads as closed or written to within @p timeout ms. */
    static bool released(int release, long long timeout);

private:
    struct Functions;

    std::unique_ptr<Functions> m_xcb;
    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = XCB_NONE;
    xcb_grab_keyboard_cookie_t m_pending {};
};

#endif
