// SPDX-License-Identifier: GPL-2.0-or-later
#include "keyboardgrab.h"

#include "monotonicclock.h"

#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <poll.h>

// How often a grab that another client prevents is tried again.
static const int grabRetryMs = 5;

bool KeyboardGrab::released(int release, long long timeout)
{
    pollfd watched { release, POLLIN, 0 };
    int ready;
    do
        ready = poll(&watched, 1, int(timeout > 0 ? timeout : 0));
    while (ready < 0 && errno == EINTR);
    return ready != 0;
}

// The libxcb functions of a grab, loaded when it connects.
struct KeyboardGrab::Functions
{
    template<typename Function>
    bool resolve(Function *function, const char *name)
    {
        *function = reinterpret_cast<Function>(dlsym(library, name));
        return *function != nullptr;
    }

    bool load()
    {
        library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
        return library && resolve(&connect, "xcb_connect")
            && resolve(&connectionHasError, "xcb_connection_has_error")
            && resolve(&getSetup, "xcb_get_setup")
            && resolve(&rootsIterator, "xcb_setup_roots_iterator")
            && resolve(&nextScreen, "xcb_screen_next")
            && resolve(&grabKeyboard, "xcb_grab_keyboard")
            && resolve(&grabKeyboardReply, "xcb_grab_keyboard_reply")
            && resolve(&ungrabKeyboard, "xcb_ungrab_keyboard") && resolve(&flush, "xcb_flush")
            && resolve(&disconnect, "xcb_disconnect");
    }

    void *library = nullptr;
    decltype(&xcb_connect) connect = nullptr;
    decltype(&xcb_connection_has_error) connectionHasError = nullptr;
    decltype(&xcb_get_setup) getSetup = nullptr;
    decltype(&xcb_setup_roots_iterator) rootsIterator = nullptr;
    decltype(&xcb_screen_next) nextScreen = nullptr;
    decltype(&xcb_grab_keyboard) grabKeyboard = nullptr;
    decltype(&xcb_grab_keyboard_reply) grabKeyboardReply = nullptr;
    decltype(&xcb_ungrab_keyboard) ungrabKeyboard = nullptr;
    decltype(&xcb_flush) flush = nullptr;
    decltype(&xcb_disconnect) disconnect = nullptr;
};

KeyboardGrab::KeyboardGrab() = default;

KeyboardGrab::~KeyboardGrab()
{
    if (m_connection)
        m_xcb->disconnect(m_connection);
}

bool KeyboardGrab::connect(const char *display)
{
    m_xcb = std::make_unique<Functions>();
    if (!m_xcb->load())
        return false;
    int screenNumber = 0;
    m_connection = m_xcb->connect(display, &screenNumber);
    if (m_xcb->connectionHasError(m_connection))
        return false;
    xcb_screen_iterator_t screen = m_xcb->rootsIterator(m_xcb->getSetup(m_connection));
    for (int skipped = 0; skipped < screenNumber && screen.rem > 1; ++skipped)
        m_xcb->nextScreen(&screen);
    m_root = screen.data->root;
    return true;
}

void KeyboardGrab::ask()
{
    m_pending = m_xcb->grabKeyboard(
        m_connection, 0, m_root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC);
    m_xcb->flush(m_connection);
}

void KeyboardGrab::holdUntilReleased(int release, long long deadline)
{
    bool grabbed = false;
    for (;;) {
        xcb_grab_keyboard_reply_t *reply =
            m_xcb->grabKeyboardReply(m_connection, m_pending, nullptr);
        if (!reply)
            return;
        grabbed = reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
        if (grabbed || released(release, grabRetryMs) || monotonicMs() >= deadline)
            break;
        ask();
    }
    if (grabbed)
        released(release, deadline - monotonicMs());
    // The queued keys go to the window that has the focus now.
    m_xcb->ungrabKeyboard(m_connection, XCB_CURRENT_TIME);
    m_xcb->flush(m_connection);
}
