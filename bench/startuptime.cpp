// SPDX-License-Identifier: GPL-2.0-or-later
// Time from process start until the program's first window is mapped, until
// its contents are first drawn and until they are drawn for the last time
// shortly after the map, with the number of rectangles drawn until then
// (damages), on an Xvfb of our own without a window manager, in one
// interleaved run:
//
// - kav-run in a home that it has been used in (ScratchHome::furnishAsUsed():
//   a history of 300 commands, a usage record, 60 applications with PNG and
//   SVG icons; the first round, which is not counted, warms the caches), in
//   an empty home, and with a history of 100 000 commands, beside the minimal
//   Qt dialog without the xcb OpenGL integration;
// - Return pressed in the settled dialog holding "true", and the time until
//   it closes, with the used home and the long history;
// - a later start handed over to "kav-run --resident" in a used home, to the
//   resident's dialog drawn, beside gmrun (bench/setup-peers.sh installs it).
//
//   startuptime [runs]      # 15 runs by default
#include "candidate.h"
#include "maptimer.h"
#include "scratchhome.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

static const int usedHistory = 300;
static const int longHistory = 100000;
static const double runTimeoutMs = 10000;
// The resident builds its next dialog after the last one closed.
static const double residentRebuildMs = 1500;

static std::vector<std::string> plus(
    std::vector<std::string> environment, const std::vector<std::string> &more)
{
    environment.insert(environment.end(), more.begin(), more.end());
    return environment;
}

static std::vector<std::string> onXcb(const ScratchHome &home)
{
    return plus(home.environment(), { "QT_QPA_PLATFORM=xcb" });
}

static bool waitForFile(const std::string &path)
{
    struct stat info;
    for (int tries = 0; stat(path.c_str(), &info) != 0; ++tries) {
        if (tries > 250)
            return false;
        usleep(20000);
    }
    return true;
}

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    // Every program runs with settings and a single-instance lock of its own;
    // those that press Return change their history, so they get homes of their own.
    const ScratchHome usedHome;
    const ScratchHome emptyHome;
    const ScratchHome longHome;
    const ScratchHome usedReturnHome;
    const ScratchHome longReturnHome;
    const ScratchHome residentHome;
    MapTimer timer;
    for (const ScratchHome *home :
        { &usedHome, &emptyHome, &longHome, &usedReturnHome, &longReturnHome, &residentHome }) {
        if (home->path().empty()) {
            std::fprintf(stderr, "startuptime: cannot make a scratch home\n");
            return 1;
        }
    }
    if (!timer.isValid()) {
        std::fprintf(stderr, "startuptime: cannot start Xvfb with DAMAGE\n");
        return 1;
    }
    for (const ScratchHome *home : { &usedHome, &usedReturnHome, &residentHome })
        home->furnishAsUsed(usedHistory);
    for (const ScratchHome *home : { &longHome, &longReturnHome })
        home->furnishAsUsed(longHistory);

    const std::vector<std::string> residentEnvironment = onXcb(residentHome);
    const pid_t resident =
        startOnDisplay(timer.display(), { KAVRUN_PATH, "--resident" }, residentEnvironment);
    if (resident < 0
        || !waitForFile(residentHome.path() + "/runtime/kav-run@" + timer.display() + ".socket")) {
        std::fprintf(stderr, "startuptime: kav-run --resident did not start\n");
        if (resident > 0)
            stopGroup(resident);
        return 1;
    }
    // "true" starts and ends at once; the history keeps it once, on top. A
    // later start hands it over to the resident and ends at once, so the
    // timer awaits the resident's window.
    const std::vector<std::string> runTrue = { KAVRUN_PATH, "true" };

    enum { Minimal, Used, Empty, Long, UsedReturn, LongReturn, Later, Gmrun };
    std::vector<Candidate> candidates = {
        { "minimal Qt dialog, GL integration off", { MINIMAL_DIALOG_PATH },
            plus(onXcb(emptyHome), { "QT_XCB_GL_INTEGRATION=none" }) },
        { "kav-run, used home", { KAVRUN_PATH }, onXcb(usedHome) },
        { "kav-run, empty home", { KAVRUN_PATH }, onXcb(emptyHome) },
        { "kav-run, 100 000 history entries", { KAVRUN_PATH }, onXcb(longHome) },
        { "kav-run true, Return, used home", runTrue, onXcb(usedReturnHome), true },
        { "kav-run true, Return, 100 000 entries", runTrue, onXcb(longReturnHome), true },
        { "later start, resident, used home", runTrue, residentEnvironment, true },
        { "gmrun", { "gmrun" }, onXcb(emptyHome) },
    };
    candidates[Later].restMs = residentRebuildMs;
    if (std::system("command -v gmrun >/dev/null") != 0)
        candidates[Gmrun].unavailable = "not installed (see bench/setup-peers.sh)";

    printLoadAverage("load average before:");
    measureInterleaved(timer, candidates, runs, runTimeoutMs);
    printLoadAverage("load average after: ");
    stopGroup(resident);

    std::printf("\ntime to map and to the first and last drawing within %.0f ms after the map, "
                "%d runs each\n\n",
        MapTimer::settlingMilliseconds, runs);
    printCandidates(candidates);

    const Candidate &minimal = candidates[Minimal];
    std::printf("\n");
    printRatioHead();
    for (const int row : { Used, Empty, Long })
        printRatioRow(candidates[row], minimal);
    std::printf("\n");
    printRatio("used home / minimal dialog, mapped", candidates[Used].medianMilliseconds(),
        minimal.medianMilliseconds(), "at most 1.05");
    printRatio("used home / minimal dialog, contents complete (last drawn)",
        candidates[Used].medianLastDrawnMilliseconds(), minimal.medianLastDrawnMilliseconds(),
        "at most 1.10");
    printRatio("100 000 history entries / minimal dialog, contents complete",
        candidates[Long].medianLastDrawnMilliseconds(), minimal.medianLastDrawnMilliseconds(),
        "at most 1.20");
    printRatio("later start with a resident / gmrun, drawn contents",
        candidates[Later].medianDrawnMilliseconds(), candidates[Gmrun].medianDrawnMilliseconds(),
        "at most 0.15");
    printRatio("later start with a resident / gmrun, contents complete",
        candidates[Later].medianLastDrawnMilliseconds(),
        candidates[Gmrun].medianLastDrawnMilliseconds(), "at most 0.15");
    std::printf("damages, median: used home %d, minimal dialog %d (target: no more)\n",
        candidates[Used].medianDrawnRectangles(), minimal.medianDrawnRectangles());
    return 0;
}
