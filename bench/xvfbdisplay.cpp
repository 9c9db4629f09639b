// SPDX-License-Identifier: GPL-2.0-or-later
#include "xvfbdisplay.h"

#include <chrono>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <spawn.h>
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

ProgramStart::ProgramStart(const std::string &display, const std::vector<std::string> &command,
    const std::vector<std::string> &environment)
    : arguments(command)
{
    // Ours, DISPLAY and the entries given; of two entries of one name the later counts.
    std::map<std::string, std::string> byName;
    const auto add = [&byName](const std::string &entry) {
        byName[entry.substr(0, entry.find('='))] = entry;
    };
    for (char **entry = environ; *entry; ++entry)
        add(*entry);
    add("DISPLAY=" + display);
    for (const std::string &entry : environment)
        add(entry);
    for (const auto &entry : byName)
        variables.push_back(entry.second);
}

static std::vector<char *> pointersTo(const std::vector<std::string> &strings)
{
    std::vector<char *> pointers;
    for (const std::string &string : strings)
        pointers.push_back(const_cast<char *>(string.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

pid_t ProgramStart::start() const
{
    const std::vector<char *> argumentPointers = pointersTo(arguments);
    const std::vector<char *> variablePointers = pointersTo(variables);
    // Spawned rather than forked: the copy of this process that a fork makes
    // costs time that is no part of the program's start.
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argumentPointers[0], &actions, &attributes, argumentPointers.data(),
            variablePointers.data())
        != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

pid_t startOnDisplay(const std::string &display, const std::vector<std::string> &command,
    const std::vector<std::string> &environment)
{
    return ProgramStart(display, command, environment).start();
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
