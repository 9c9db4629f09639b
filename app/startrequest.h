// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STARTREQUEST_H
#define STARTREQUEST_H

/**
 * What a start of kav-run asks for, told from its arguments alone with the C
 * library, before the toolkit is loaded: the options are read as the
 * toolkit's command-line parser reads them (CommandLine).
 */
enum class StartRequest {
    /** A dialog: every option is one of kav-run's and well formed. */
    Dialog,
    /** A resident kav-run (--resident): every option is one of kav-run's and well formed. */
    Resident,
    /** Help, the version or a faulty value of kav-run's own options: this start answers. */
    Answer,
    /**
     * An option that kav-run does not know, which may be one of the
     * toolkit's own: only the application object can tell.
     */
    Undecided,
};

/** What the command line @p argv of @p argc words, the program's name first, asks for. */
StartRequest startRequest(int argc, char *argv[]);

#endif
