// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCLASSIFICATION_H
#define COMMANDCLASSIFICATION_H

#include <QString>
#include <QStringList>

/** What a typed text denotes; the numbers are stable. */
enum class CommandType {
    Unknown = 0,
    File = 1,
    Folder = 2,
    Executable = 3,
    Network = 4,
    DesktopEntry = 5,
};

/**
 * What CommandParser found a text to be, as a plain value: it is made on a
 * worker thread and read on the GUI thread.
 */
struct CommandClassification
{
    /** The text classified, simplified; empty when nothing was classified. */
    QString text;
    /** The text's CommandType. */
    CommandType type = CommandType::Unknown;
    /** The program the first word names on the search path; empty when none. */
    QString executablePath;
    /** The file name of executablePath; empty without one. */
    QString executableName;
    /** The text's desktop entry (its id, or its program's name): the file; empty without one. */
    QString entryPath;
    /** The entry's Exec value as written; empty without an entry. */
    QString entryExec;
    /** The entry's translated Name; empty without an entry. */
    QString entryName;
    /** The entry's Icon value; empty without an entry. */
    QString entryIcon;
    /** Whether the entry asks for a terminal. */
    bool entryWantsTerminal = false;
    /** Whether the entry's application ends a startup notice (StartupNotify). */
    bool entryNotifiesStartup = false;
    /** The folder the entry's application starts in (its Path); empty for the caller's. */
    QString entryWorkingDirectory;
    /** The words after the entry's id or Name in the text, for its field codes. */
    QString entryArguments;
    /**
     * The desktop-file id (without ".desktop") of the application that the
     * text was chosen as in a list; empty for a text taken as typed. The
     * type is DesktopEntry unless that entry can no longer run.
     */
    QString chosenEntry;
    /** Icon theme names for the text, best first (see CommandParser::icon()). */
    QStringList iconNames;
};

#endif
