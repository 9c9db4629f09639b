// SPDX-License-Identifier: GPL-2.0-or-later
#include "keyboardhold.h"
#include "monotonicclock.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static const char descriptorVariable[] = "KAVRUN_KEYBOARD_HOLD";
// How often a grab that another client prevents is tried again.
static const int grabRetryMs = 5;

// Whether the release came (the descriptor was closed or written to) within @p timeout ms.
static bool released(int release, long long timeout)
{
    pollfd watched { release, POLLIN, 0 };
    int ready;
    do
        ready = poll(&watched, 1, int(timeout > 0 ? timeout : 0));
    while (ready < 0 && errno == EINTR);
    return ready != 0;
}

namespace {

// The libxcb functions of the hold, loaded when it starts.
struct Xcb
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

// A connection of its own that asks for the keyboard with the keyboard
// frozen, and lets it go.
class KeyboardGrab
{
public:
    // Connects to @p display and asks for the keyboard; false when that failed.
    bool request(const char *display)
    {
        int screenNumber = 0;
        if (!xcb.load())
            return false;
        connection = xcb.connect(display, &screenNumber);
        if (xcb.connectionHasError(connection))
            return false;
        xcb_screen_iterator_t screen = xcb.rootsIterator(xcb.getSetup(connection));
        for (int skipped = 0; skipped < screenNumber && screen.rem > 1; ++skipped)
            xcb.nextScreen(&screen);
        root = screen.data->root;
        pending = ask();
        xcb.flush(connection);
        return true;
    }

    // Waits for the grab, asking again while another client holds the
    // keyboard, such as the window manager until the key that started this
    // program is let go; holds it until the release or @p deadline.
    void holdUntilReleased(int release, long long deadline)
    {
        bool grabbed = false;
        for (;;) {
            xcb_grab_keyboard_reply_t *reply = xcb.grabKeyboardReply(connection, pending, nullptr);
            if (!reply)
                return;
            grabbed = reply->status == XCB_GRAB_STATUS_SUCCESS;
            std::free(reply);
            if (grabbed || released(release, grabRetryMs) || monotonicMs() >= deadline)
                break;
            pending = ask();
        }
        if (grabbed)
            released(release, deadline - monotonicMs());
        // The queued keys go to the window that has the focus now.
        xcb.ungrabKeyboard(connection, XCB_CURRENT_TIME);
        xcb.flush(connection);
        xcb.disconnect(connection);
    }

private:
    xcb_grab_keyboard_cookie_t ask()
    {
        return xcb.grabKeyboard(
            connection, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC);
    }

    Xcb xcb;
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_grab_keyboard_cookie_t pending {};
};

} // namespace

static void silenceStandardFiles()
{
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int fd = STDIN_FILENO; null >= 0 && fd <= STDERR_FILENO; ++fd)
        dup2(null, fd);
}

// Holds the keyboard in a process of its own, the holder, and ends that
// process by @p deadline if it still lives: a holder that is stopped or hangs
// would keep the keyboard of every client frozen.
[[noreturn]] static void holdWatched(const char *display, int release, long long deadline)
{
    // In a session of its own, this process is not stopped with the start's
    // process group, such as by a terminal's job control.
    setsid();
    int alive[2];
    if (pipe2(alive, O_CLOEXEC) != 0)
        _exit(0);
    const pid_t holder = fork();
    if (holder == 0) {
        close(alive[0]);
        prctl(PR_SET_NAME, "kav-run-hold");
        KeyboardGrab grab;
        if (grab.request(display))
            grab.holdUntilReleased(release, deadline);
        _exit(0);
    }
    close(alive[1]);
    close(release);
    // The pipe reads as closed once the holder is gone.
    if (holder > 0 && !released(alive[0], deadline - monotonicMs())) {
        // Its connection goes with it, and the server lets the keyboard go.
        kill(holder, SIGKILL);
    }
    while (holder > 0 && waitpid(holder, nullptr, 0) < 0 && errno == EINTR) { }
    _exit(0);
}

int KeyboardHold::start(const char *display, pid_t *starter)
{
    const long long deadline = monotonicMs() + holdLimitMs;
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return -1;
    // The watcher is a grandchild, and the holder its child: they outlive this
    // process without becoming zombies of whatever this process executes. They
    // load libxcb and grab while this process goes on.
    const pid_t child = fork();
    if (child == 0) {
        if (fork() == 0) {
            close(channel[1]);
            // Whoever reads this start's output must not wait for the hold.
            silenceStandardFiles();
            holdWatched(display, channel[0], deadline);
        }
        _exit(0);
    }
    close(channel[0]);
    if (child < 0) {
        close(channel[1]);
        return -1;
    }
    *starter = child;
    return channel[1];
}

void KeyboardHold::passOn(int release, pid_t starter)
{
    while (waitpid(starter, nullptr, 0) < 0 && errno == EINTR) { }
    fcntl(release, F_SETFD, 0);
    setenv(descriptorVariable, std::to_string(release).c_str(), 1);
}

int KeyboardHold::takeInherited()
{
    const char *variable = std::getenv(descriptorVariable);
    char *end = nullptr;
    const long release = variable ? std::strtol(variable, &end, 10) : -1;
    const bool named = variable && *variable && *end == '\0';
    unsetenv(descriptorVariable);
    struct stat info;
    // Only a pipe can be a release descriptor; a number that names anything
    // else was not passed on by the launcher.
    if (!named || release < 0 || release > 1 << 20 || fstat(int(release), &info) != 0
        || !S_ISFIFO(info.st_mode))
        return -1;
    fcntl(int(release), F_SETFD, FD_CLOEXEC);
    return int(release);
}
