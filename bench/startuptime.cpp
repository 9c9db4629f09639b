// SPDX-License-Identifier: GPL-2.0-or-later
// Time from process start until the program's first window is mapped, until
// its contents are first drawn and until they are drawn for the last time
// shortly after the map, on an Xvfb of our own without a window manager, with
// the private memory (RssAnon) at the map. kav-run runs
// interleaved with a minimal Qt dialog, once as it comes and once without the
// xcb OpenGL integration, and with a long history; then Return is pressed in
// the settled dialog holding a command, and the time until it closes taken,
// with an empty and with the long history.
//
//   startuptime [runs]
#include "candidate.h"
#include "maptimer.h"
#include "scratchhome.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

static const int longHistory = 100000;

static std::vector<std::string> plus(
    std::vector<std::string> environment, const std::vector<std::string> &more)
{
    environment.insert(environment.end(), more.begin(), more.end());
    return environment;
}

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    // Every program runs with settings and a single-instance lock of its own.
    const ScratchHome home;
    const ScratchHome historyHome;
    const std::vector<std::string> xcb = { "QT_QPA_PLATFORM=xcb" };
    const std::vector<std::string> environment = plus(home.environment(), xcb);
    const std::vector<std::string> historyEnvironment = plus(historyHome.environment(), xcb);
    // "true" starts and ends at once; the history keeps it once, on top.
    const std::vector<std::string> runTrue = { KAVRUN_PATH, "true" };

    std::vector<Candidate> candidates = {
        { "minimal Qt dialog", { MINIMAL_DIALOG_PATH }, environment },
        { "minimal, GL integration off", { MINIMAL_DIALOG_PATH },
            plus(environment, { "QT_XCB_GL_INTEGRATION=none" }) },
        { "kav-run", { KAVRUN_PATH }, environment },
        { "kav-run, 100 000 history entries", { KAVRUN_PATH }, historyEnvironment },
        { "kav-run true, Return", runTrue, environment, true },
        { "kav-run true, Return, 100 000 entries", runTrue, historyEnvironment, true },
    };

    MapTimer timer;
    if (home.path().empty() || historyHome.path().empty() || !timer.isValid()) {
        std::fprintf(stderr, "startuptime: cannot start Xvfb with DAMAGE or make a scratch home\n");
        return 1;
    }
    historyHome.writeKavRunHistory(longHistory);
    measureInterleaved(timer, candidates, runs, 10000);

    std::printf("time to map and to the first and last drawing within %.0f ms after the map, "
                "%d runs each\n\n",
        MapTimer::settlingMilliseconds, runs);
    printCandidates(candidates);
    std::printf("\n");
    const Candidate &glFree = candidates[1];
    const Candidate &kavRun = candidates[2];
    printRatio("kav-run / GL-free minimal dialog, mapped", kavRun.medianMilliseconds(),
        glFree.medianMilliseconds(), "none");
    printRatio("kav-run / GL-free minimal dialog, first drawn", kavRun.medianDrawnMilliseconds(),
        glFree.medianDrawnMilliseconds(), "at most 1.10");
    printRatio("kav-run / GL-free minimal dialog, last drawn", kavRun.medianLastDrawnMilliseconds(),
        glFree.medianLastDrawnMilliseconds(), "at most 1.20");
    printRatio("100 000 history entries / empty history, first drawn",
        candidates[3].medianDrawnMilliseconds(), kavRun.medianDrawnMilliseconds(), "under 1.5");
    return 0;
}
