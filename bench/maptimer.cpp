// SPDX-License-Identifier: GPL-2.0-or-later
#include "maptimer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

static double now()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1000.0 + double(time.tv_nsec) / 1.0e6;
}

static long rssAnonKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("RssAnon:", 0) == 0)
            return std::strtol(line.c_str() + 8, nullptr, 10);
    }
    return -1;
}

static void silence(int fd)
{
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, fd);
        close(null);
    }
}

// Ends a process group, politely first; a program that ignores SIGTERM gets
// SIGKILL after a second, so one stuck candidate cannot hold up the rest.
static void stopGroup(pid_t pid)
{
    kill(-pid, SIGTERM);
    const double deadline = now() + 1000;
    while (waitpid(pid, nullptr, WNOHANG) == 0 && now() < deadline)
        usleep(2000);
    // What is left of the group goes now; children that outlived their parent
    // and came to us as the subreaper are reaped.
    kill(-pid, SIGKILL);
    while (waitpid(-pid, nullptr, 0) > 0) { }
}

MapTimer::MapTimer()
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    serverPid = fork();
    if (serverPid < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return;
    }
    if (serverPid == 0) {
        close(pipeFds[0]);
        silence(STDERR_FILENO);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
            "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    // Xvfb writes the number and the newline separately and gives up when the
    // pipe is closed in between, so the whole line is read.
    std::string number;
    char c;
    while (number.size() < 16 && read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number.push_back(c);
    close(pipeFds[0]);
    if (number.empty())
        return;
    displayName = ":" + number;

    connection = xcb_connect(displayName.c_str(), nullptr);
    if (xcb_connection_has_error(connection))
        return;
    // Top-level windows are the root's children: their maps reach us as substructure events.
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

MapTimer::~MapTimer()
{
    if (connection)
        xcb_disconnect(connection);
    if (serverPid > 0) {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
    }
}

bool MapTimer::isValid() const
{
    return connection && !xcb_connection_has_error(connection);
}

const std::string &MapTimer::display() const
{
    return displayName;
}

MapTimer::Sample MapTimer::run(const std::vector<std::string> &command,
    const std::vector<std::string> &environment, double timeoutMs)
{
    while (xcb_generic_event_t *stale = xcb_poll_for_event(connection))
        std::free(stale);

    std::vector<char *> arguments;
    for (const std::string &argument : command)
        arguments.push_back(const_cast<char *>(argument.c_str()));
    arguments.push_back(nullptr);

    Sample sample;
    const double start = now();
    const pid_t pid = fork();
    if (pid < 0)
        return sample;
    if (pid == 0) {
        setpgid(0, 0);
        silence(STDOUT_FILENO);
        silence(STDERR_FILENO);
        setenv("DISPLAY", displayName.c_str(), 1);
        for (const std::string &variable : environment)
            putenv(const_cast<char *>(variable.c_str()));
        execvp(arguments[0], arguments.data());
        _exit(127);
    }
    // Set on both sides, so the group exists whichever runs first.
    setpgid(pid, pid);

    const double deadline = start + timeoutMs;
    pollfd watched { xcb_get_file_descriptor(connection), POLLIN, 0 };
    while (sample.milliseconds < 0) {
        const double left = deadline - now();
        if (left <= 0 || xcb_connection_has_error(connection))
            break;
        // Short waits, so that a program that gives up is noticed at once.
        poll(&watched, 1, std::max(1, std::min(20, int(left))));
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && sample.milliseconds < 0) {
                sample.milliseconds = now() - start;
                sample.rssAnonKb = rssAnonKb(pid);
            }
            std::free(event);
        }
        if (sample.milliseconds < 0 && waitpid(pid, nullptr, WNOHANG) == pid)
            break;
    }
    stopGroup(pid);
    return sample;
}
