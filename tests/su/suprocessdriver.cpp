// SPDX-License-Identifier: GPL-2.0-or-later
// Runs one SuProcess as whichever user starts it, so that the tests can let su
// and sudo really ask for a password. The password comes on standard input
// (one line), never on the command line.
//
// Usage: suprocessdriver TOOL USER MODE COMMAND PRIORITY POLICY
// Writes "result N", "wiped yes|no", "reaped yes|no" (su or sudo), "dumpable yes|no" and
// "last LINE" (what su or sudo said last) to standard error.
#include "su/suprocess.h"

#include <QByteArray>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>

int main(int argc, char **argv)
{
    if (argc != 7) {
        fputs("usage: suprocessdriver TOOL USER MODE COMMAND PRIORITY POLICY\n", stderr);
        return 2;
    }
    char password[256] = {};
    if (!fgets(password, sizeof password, stdin))
        password[0] = '\0';
    password[strcspn(password, "\n")] = '\0';

    SuProcess process(argv[2], argv[4]);
    process.setSwitchTool(QString::fromLocal8Bit(argv[1]));
    process.setPriorityValue(atoi(argv[5]));
    process.setSchedulingPolicy(atoi(argv[6]));
    process.setWipePassword(true);
    const int result = process.authenticateAndRun(password, atoi(argv[3]));

    const bool wiped =
        password[0] == '\0' && memcmp(password, password + 1, sizeof password - 1) == 0;
    const bool reaped = PtyProcess::pollExit(process.childPid()) == -1 && errno == ECHILD;
    const bool dumpable = prctl(PR_GET_DUMPABLE) == 1;
    fprintf(stderr, "result %d\nwiped %s\nreaped %s\ndumpable %s\nlast %s\n", result,
        wiped ? "yes" : "no", reaped ? "yes" : "no", dumpable ? "yes" : "no",
        process.lastLine().constData());
    return 0;
}
