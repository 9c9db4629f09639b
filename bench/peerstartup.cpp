// SPDX-License-Identifier: GPL-2.0-or-later
// kav-run beside the run dialogs of other desktops: time from process start
// until the first window is mapped and until its contents are drawn, and the
// private memory (RssAnon) at the map, min/median/max over interleaved runs
// on an Xvfb of our own. Also kav-run
// with a history of 10 000 commands, and a minimal Qt 5 dialog with and
// without the xcb OpenGL integration as the floor.
//
//   bench/setup-peers.sh      # once, as root: installs gmrun, rofi, xfce4-appfinder
//   cmake --build build -j2 --target peerstartup
//   build/bench/peerstartup [runs]      # 15 runs by default
//
// Every program gets a scratch home and a session bus of the benchmark's own,
// as in a desktop session; a launcher that is not installed or maps no window
// within five seconds is reported as such.
#include "candidate.h"
#include "maptimer.h"
#include "scratchhome.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

static const double runTimeoutMs = 5000;
static const int historyLength = 10000;

static bool isInstalled(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::string directories = path ? path : "";
    size_t begin = 0;
    while (begin <= directories.size()) {
        const size_t end = std::min(directories.find(':', begin), directories.size());
        const std::string directory = directories.substr(begin, end - begin);
        if (!directory.empty() && access((directory + '/' + program).c_str(), X_OK) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

// Starts a session bus for the benchmark; returns its address, empty on failure.
static std::string startSessionBus(pid_t &pid)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return std::string();
    pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        // The services the bus starts join its process group, so they end with it.
        setpgid(0, 0);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        const std::string printAddress = "--print-address=" + std::to_string(pipeFds[1]);
        execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", printAddress.c_str(),
            static_cast<char *>(nullptr));
        _exit(127);
    }
    if (pid > 0)
        setpgid(pid, pid);
    close(pipeFds[1]);
    std::string address;
    char buffer[256];
    ssize_t length;
    while (address.find('\n') == std::string::npos
        && (length = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        address.append(buffer, size_t(length));
    close(pipeFds[0]);
    address = address.substr(0, address.find('\n'));
    if (address.empty() && pid > 0) {
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    return address;
}

// Ends the bus and the services it started. As the subreaper the benchmark
// inherits those whose parent went first, so it reaps them all.
static void stopSessionBus(pid_t pid)
{
    kill(-pid, SIGTERM);
    const time_t giveUp = time(nullptr) + 2;
    while (waitpid(-pid, nullptr, WNOHANG) >= 0) {
        if (time(nullptr) > giveUp)
            kill(-pid, SIGKILL);
        usleep(5000);
    }
}

static std::vector<std::string> plus(
    std::vector<std::string> environment, const std::vector<std::string> &more)
{
    environment.insert(environment.end(), more.begin(), more.end());
    return environment;
}

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    const ScratchHome home;
    const ScratchHome historyHome;
    MapTimer timer;
    if (home.path().empty() || historyHome.path().empty() || !timer.isValid()) {
        std::fprintf(stderr, "peerstartup: cannot start Xvfb or make a scratch home\n");
        return 1;
    }
    historyHome.writeKavRunHistory(historyLength);

    prctl(PR_SET_CHILD_SUBREAPER, 1);
    pid_t busPid = -1;
    const std::string busAddress = startSessionBus(busPid);
    if (busAddress.empty())
        std::fprintf(stderr, "peerstartup: no session bus; launchers that need one may not map\n");
    const std::vector<std::string> session = { "DBUS_SESSION_BUS_ADDRESS=" + busAddress,
        "QT_QPA_PLATFORM=xcb" };
    const std::vector<std::string> environment = plus(home.environment(), session);

    std::vector<Candidate> candidates = {
        { "minimal Qt dialog", { MINIMAL_DIALOG_PATH }, environment },
        { "minimal, GL integration off", { MINIMAL_DIALOG_PATH },
            plus(environment, { "QT_XCB_GL_INTEGRATION=none" }) },
        { "kav-run", { KAVRUN_PATH }, environment },
        { "kav-run, 10 000 history entries", { KAVRUN_PATH },
            plus(historyHome.environment(), session) },
        { "gmrun", { "gmrun" }, environment },
        { "rofi -show run", { "rofi", "-show", "run" }, environment },
        { "xfce4-appfinder --collapsed", { "xfce4-appfinder", "--collapsed" }, environment },
    };
    for (Candidate &candidate : candidates) {
        if (candidate.command.front().front() != '/' && !isInstalled(candidate.command.front()))
            candidate.unavailable = "not installed (see bench/setup-peers.sh)";
    }

    measureInterleaved(timer, candidates, runs, runTimeoutMs);
    if (busPid > 0)
        stopSessionBus(busPid);

    std::printf("time to map and to drawn contents, %d runs each, on Xvfb %s without a window "
                "manager\n\n",
        runs, timer.display().c_str());
    printCandidates(candidates);
    return 0;
}
