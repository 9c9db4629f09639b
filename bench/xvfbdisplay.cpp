// SPDX-License-Identifier: GPL-2.0-or-later
#include "xvfbdisplay.h"

#include <chrono>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbDisplay::XvfbDisplay()
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
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        dup2(null, STDERR_FILENO);
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
    if (!number.empty())
        displayName = ":" + number;
}

XvfbDisplay::~XvfbDisplay()
{
    if (serverPid > 0) {
        kill(serverPid, SIGTERM);
        waitpid(serverPid, nullptr, 0);
    }
}

pid_t startOnDisplay(const std::string &display, const std::vector<std::string> &command,
    const std::vector<std::string> &environment)
{
    std::vector<char *> arguments;
    for (const std::string &argument : command)
        arguments.push_back(const_cast<char *>(argument.c_str()));
    arguments.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        setenv("DISPLAY", display.c_str(), 1);
        for (const std::string &variable : environment)
            putenv(const_cast<char *>(variable.c_str()));
        execvp(arguments[0], arguments.data());
        _exit(127);
    }
    // Set on both sides, so the group exists whichever runs first.
    if (pid > 0)
        setpgid(pid, pid);
    return pid;
}

void stopGroup(pid_t pid)
{
    kill(-pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (waitpid(pid, nullptr, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
        usleep(2000);
    kill(-pid, SIGKILL);
    while (waitpid(-pid, nullptr, 0) > 0) { }
}
