// SPDX-License-Identifier: GPL-2.0-or-later
#include "keyboardhold.h"
#include "keyboardgrab.h"
#include "monotonicclock.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static const char descriptorVariable[] = "KAVRUN_KEYBOARD_HOLD";

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
        if (grab.connect(display)) {
            grab.ask();
            grab.holdUntilReleased(release, deadline);
        }
        _exit(0);
    }
    close(alive[1]);
    close(release);
    // The pipe reads as closed once the holder is gone.
    if (holder > 0 && !KeyboardGrab::released(alive[0], deadline - monotonicMs())) {
        // Its connection goes with it, and the server lets the keyboard go.
        kill(holder, SIGKILL);
    }
    while (holder > 0 && waitpid(holder, nullptr, 0) < 0 && errno == EINTR) { }
    _exit(0);
}

int KeyboardHold::start(const char *display)
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
    // It ends at once; collected, it is no zombie child of the program executed next.
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) { }
    return channel[1];
}

void KeyboardHold::passOn(int release)
{
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
