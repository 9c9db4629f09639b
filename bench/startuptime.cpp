// SPDX-License-Identifier: GPL-2.0-or-later
// Time from process start until the program's first window is mapped, on an
// Xvfb of our own without a window manager, with the private memory (RssAnon)
// at that moment. kav-run runs interleaved with a minimal Qt dialog, once as
// it comes and once without the xcb OpenGL integration.
//
//   startuptime [runs]
#include "candidate.h"
#include "maptimer.h"
#include "scratchhome.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    // Every program runs with settings and a single-instance lock of its own.
    const ScratchHome home;
    std::vector<std::string> environment = home.environment();
    environment.push_back("QT_QPA_PLATFORM=xcb");
    std::vector<std::string> glFreeEnvironment = environment;
    glFreeEnvironment.push_back("QT_XCB_GL_INTEGRATION=none");

    std::vector<Candidate> candidates = {
        { "minimal Qt dialog", { MINIMAL_DIALOG_PATH }, environment },
        { "minimal, GL integration off", { MINIMAL_DIALOG_PATH }, glFreeEnvironment },
        { "kav-run", { KAVRUN_PATH }, environment },
    };

    MapTimer timer;
    if (home.path().empty() || !timer.isValid()) {
        std::fprintf(stderr, "startuptime: cannot start Xvfb or make a scratch home\n");
        return 1;
    }
    measureInterleaved(timer, candidates, runs, 10000);

    std::printf("time to map, %d runs each\n\n", runs);
    printCandidates(candidates);
    const double glFree = candidates[1].medianMilliseconds();
    const double kavRun = candidates[2].medianMilliseconds();
    if (glFree > 0 && kavRun > 0)
        std::printf(
            "\nkav-run / GL-free minimal dialog: %.2f (target at most 1.15)\n", kavRun / glFree);
    return 0;
}
