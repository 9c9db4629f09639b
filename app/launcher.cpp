// SPDX-License-Identifier: GPL-2.0-or-later
// kav-run as the user starts it: hands the command line to a running kav-run
// when one listens, and otherwise becomes the dialog program. It uses the C
// library alone, so that a later start is done in the time that the dialog
// program would spend loading the toolkit.
#include "handover.h"
#include "keyboardhold.h"
#include "startrequest.h"
#include "windowsystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

// The dialog program, found from this program's own place; the build tree
// has the same layout as an installation.
static std::string dialogProgram()
{
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return KAVRUN_DIALOG_INSTALLED_PATH;
    const std::string path(self, size_t(length));
    return path.substr(0, path.rfind('/') + 1) + KAVRUN_DIALOG_RELATIVE_PATH;
}

static HandOver handOverOf(int argc, char *argv[])
{
    HandOver handOver;
    if (char *directory = getcwd(nullptr, 0)) {
        handOver.directory = directory;
        std::free(directory);
    }
    handOver.arguments.assign(argv, argv + argc);
    return handOver;
}

int main(int argc, char *argv[])
{
    // Help, the version, faulty options and the toolkit's own options are
    // the dialog program's to answer, and no running kav-run's. Without a
    // window system only those can be answered, and a dialog of another
    // session must not come to the front.
    const StartRequest request = startRequest(argc, argv);
    const WindowSystem windowSystem = WindowSystem::of(argc, argv);
    if ((request == StartRequest::Dialog || request == StartRequest::Resident)
        && windowSystem.platform != WindowSystem::NoWindowSystem) {
        // A running kav-run is connected to its window system already and
        // holds the keyboard itself from the moment the hand-over arrives,
        // sooner than a connection of this start's could.
        const std::optional<int> status =
            handOverOf(argc, argv)
                .deliver(windowSystem.instanceIdentifier(), InstanceClient::NoWait);
        if (status && *status != HandOver::answerItself)
            return *status;
        // The keyboard can be held only on the X server that the dialog will
        // be on; a Wayland compositor lets no client take it, and a hold on
        // its XWayland would keep the keys from the dialog.
        const int keyboardHold =
            request == StartRequest::Dialog && windowSystem.platform == WindowSystem::X11
            ? KeyboardHold::start(windowSystem.display.c_str())
            : -1;
        if (keyboardHold >= 0)
            KeyboardHold::passOn(keyboardHold);
    }
    const std::string program = dialogProgram();
    execv(program.c_str(), argv);
    std::fprintf(stderr, "kav-run: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
    return 1;
}
