// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef TERMINAL_H
#define TERMINAL_H

#include "core/commandwords.h"

#include <QString>

/**
 * The terminal emulator commands run in: "kav-term", else the real program
 * behind "x-terminal-emulator" (links resolved), else "xterm", each looked
 * up afresh at every call in the absolute folders of the search path only.
 *
 * @return the absolute path of the emulator, or an empty string when none is installed
 */
QString terminalProgram();

/**
 * The command line that starts the terminal emulator running @p command
 * through "/bin/sh -c": the emulator's path, quoted for @p consumer, then, unless @p terminalEntry
 * (the application keeps its window by itself), the option that keeps the
 * window open after the command ("--noclose" for kav-term and konsole,
 * "-hold" for the xterm family and urxvt, "--hold" or "--pause" for some
 * others); then " -e /bin/sh -c " and the command between double quotes,
 * escaped so that @p consumer hands it to the terminal's shell unchanged.
 * A terminal without such an option runs instead a shell that runs the
 * command, asks for Enter and exits with the command's exit status.
 *
 * @param program the emulator's path, terminalProgram() unless given
 * @return the line; it begins with a blank when no emulator is installed
 */
QString terminalCommandLine(const QString &command, bool terminalEntry, LineConsumer consumer,
    const QString &program = terminalProgram());

#endif
