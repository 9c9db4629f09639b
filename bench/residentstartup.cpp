// SPDX-License-Identifier: GPL-2.0-or-later
// How fast a later kav-run is done, beside a first start and gmrun (the
// fastest peer), interleaved on an Xvfb of our own without a window manager:
//
// - first start: from process start until the dialog is mapped and drawn;
// - second start: a later kav-run while a dialog is on the screen, from its
//   start until it exits (with 255);
// - later start with a resident: a later kav-run while "kav-run --resident"
//   waits, from its start until the resident's dialog is mapped and drawn
//   (the dialog is closed with Escape after each run);
// - gmrun: from process start until its window is mapped and drawn;
//
// and the resident's private memory (Private_Dirty and Private_Clean of
// /proc/PID/smaps_rollup) while it waits after its last use. The resident
// runs in a home that it has been used in (ScratchHome::furnishAsUsed()). bench/setup-peers.sh
// installs gmrun; xdotool closes the dialog.
//
//   residentstartup [runs]      # 15 runs by default
#include "maptimer.h"
#include "scratchhome.h"
#include "xvfbdisplay.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static const double runTimeoutMs = 5000;
static const int usedHistory = 300;

static double now()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1000.0 + double(time.tv_nsec) / 1.0e6;
}

static double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Milliseconds from the start of @p command until it exits; -1 when it failed.
static double timeToExit(const std::vector<std::string> &command,
    const std::vector<std::string> &environment, const std::string &display)
{
    const double begin = now();
    const pid_t pid = startOnDisplay(display, command, environment);
    if (pid < 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (now() - begin > runTimeoutMs) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        usleep(200);
    }
    return WIFEXITED(status) ? now() - begin : -1;
}

static bool waitForFile(const std::string &path)
{
    const double deadline = now() + runTimeoutMs;
    struct stat info;
    while (stat(path.c_str(), &info) != 0) {
        if (now() > deadline)
            return false;
        usleep(20000);
    }
    return true;
}

// Runs xdotool on @p display and tells whether it succeeded.
static bool xdotool(const std::string &display, const std::string &arguments)
{
    const std::string command =
        "DISPLAY=" + display + " timeout 5 xdotool " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Closes the dialog of @p pid with Escape and waits until it is gone.
static void closeDialog(const std::string &display, pid_t pid)
{
    const std::string windows = "search --onlyvisible --pid " + std::to_string(pid);
    // A chained command needs a name pattern after the search's options.
    xdotool(display, windows + " --name . windowfocus --sync %1 key Escape");
    const double deadline = now() + runTimeoutMs;
    while (xdotool(display, windows) && now() < deadline)
        usleep(20000);
}

static long smapsRollupKb(pid_t pid, const std::string &field)
{
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return -1;
}

static void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

static void printRow(const char *label, const std::vector<double> &values)
{
    if (values.empty()) {
        std::printf("%-44s no figures\n", label);
        return;
    }
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    std::printf("%-44s %8.1f %8.1f %8.1f\n", label, *low, median(values), *high);
}

static void printRatio(const char *label, double numerator, double denominator, const char *target)
{
    if (numerator > 0 && denominator > 0)
        std::printf("%s: %.2f (target %s)\n", label, numerator / denominator, target);
}

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    const ScratchHome firstHome;
    const ScratchHome visibleHome;
    const ScratchHome residentHome;
    // The dialog that second starts raise has a server of its own, so that it
    // cannot take the focus from the resident's dialog.
    MapTimer timer;
    MapTimer raiseServer;
    if (firstHome.path().empty() || visibleHome.path().empty() || residentHome.path().empty()
        || !timer.isValid() || !raiseServer.isValid()) {
        std::fprintf(stderr, "residentstartup: cannot start Xvfb or make a scratch home\n");
        return 1;
    }
    residentHome.furnishAsUsed(usedHistory);
    const std::string &display = timer.display();
    auto environmentOf = [](const ScratchHome &home) {
        std::vector<std::string> environment = home.environment();
        environment.push_back("QT_QPA_PLATFORM=xcb");
        return environment;
    };
    const std::vector<std::string> firstEnvironment = environmentOf(firstHome);
    const std::vector<std::string> visibleEnvironment = environmentOf(visibleHome);
    const std::vector<std::string> residentEnvironment = environmentOf(residentHome);

    const pid_t visible =
        startOnDisplay(raiseServer.display(), { KAVRUN_PATH }, visibleEnvironment);
    const pid_t resident =
        startOnDisplay(display, { KAVRUN_PATH, "--resident" }, residentEnvironment);
    if (!waitForFile(visibleHome.path() + "/runtime/kav-run@" + raiseServer.display() + ".socket")
        || !waitForFile(residentHome.path() + "/runtime/kav-run@" + display + ".socket")) {
        std::fprintf(stderr, "residentstartup: kav-run did not start\n");
        stop(resident);
        stop(visible);
        return 1;
    }
    const bool gmrunInstalled = std::system("command -v gmrun >/dev/null") == 0;
    // A later start hands its command line over and ends at once; the timer
    // awaits the resident's window, as it awaits gmrun's.
    const std::vector<std::string> laterStart = { KAVRUN_PATH, "true" };

    std::vector<double> first, second, later, gmrun;
    std::vector<double> firstDrawn, laterDrawn, gmrunDrawn;
    for (int run = -1; run < runs; ++run) {
        const MapTimer::Sample firstSample =
            timer.run({ KAVRUN_PATH }, firstEnvironment, runTimeoutMs);
        const double secondMs =
            timeToExit({ KAVRUN_PATH, "ls" }, visibleEnvironment, raiseServer.display());
        const MapTimer::Sample laterSample =
            timer.run(laterStart, residentEnvironment, runTimeoutMs);
        closeDialog(display, resident);
        const MapTimer::Sample gmrunSample = gmrunInstalled
            ? timer.run({ "gmrun" }, firstEnvironment, runTimeoutMs)
            : MapTimer::Sample();
        if (run < 0)
            continue;
        for (auto [value, figures] : { std::pair { firstSample.milliseconds, &first },
                 std::pair { secondMs, &second }, std::pair { laterSample.milliseconds, &later },
                 std::pair { gmrunSample.milliseconds, &gmrun },
                 std::pair { firstSample.drawnMilliseconds, &firstDrawn },
                 std::pair { laterSample.drawnMilliseconds, &laterDrawn },
                 std::pair { gmrunSample.drawnMilliseconds, &gmrunDrawn } }) {
            if (value >= 0)
                figures->push_back(value);
        }
    }
    // The resident's last dialog is gone and the next one is prepared.
    usleep(1000000);
    const long privateDirty = smapsRollupKb(resident, "Private_Dirty");
    const long privateClean = smapsRollupKb(resident, "Private_Clean");
    stop(resident);
    stop(visible);

    std::printf("%d runs each, on Xvfb %s without a window manager\n\n", runs, display.c_str());
    std::printf("%-44s %8s %8s %8s\n", "ms from the start of", "min", "median", "max");
    printRow("kav-run, first start, to the map", first);
    printRow("kav-run, first start, to drawn contents", firstDrawn);
    printRow("kav-run, second start, to its exit", second);
    printRow("kav-run, later start, to the resident's map", later);
    printRow("kav-run, later start, to drawn contents", laterDrawn);
    printRow(gmrunInstalled ? "gmrun, to the map" : "gmrun (not installed)", gmrun);
    printRow(gmrunInstalled ? "gmrun, to drawn contents" : "gmrun (not installed)", gmrunDrawn);
    std::printf("\n");
    printRatio(
        "second start / first start to the map", median(second), median(first), "at most 0.35");
    printRatio("later start with a resident / gmrun, drawn contents", median(laterDrawn),
        median(gmrunDrawn), "at most 0.15");
    std::printf("resident's private memory: Private_Dirty %ld kB + Private_Clean %ld kB = %.1f MiB "
                "(target below 5 MiB)\n",
        privateDirty, privateClean, double(privateDirty + privateClean) / 1024.0);
    return 0;
}
