// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QCommandLineParser>

class Roderuz;

/**
 * The options of kav-run and how they preset the run dialog. Problems with
 * the values are reported on the critical-message channel and never stop
 * the start-up.
 */
class CommandLine
{
public:
    CommandLine();
    Q_DISABLE_COPY(CommandLine)

    /**
     * Reads @p arguments (the program name first). Help, version and unknown
     * or incomplete options end the process with the parser's own message.
     */
    void process(const QStringList &arguments);

    /**
     * Reads @p arguments like process() but never ends the process.
     *
     * @return true when they ask for the dialog; false when they ask for help
     *         or the version or hold an error, which only process() answers
     */
    bool read(const QStringList &arguments);

    /** Whether the arguments read ask kav-run to stay in the background. */
    bool isResident() const;

    /** Applies the options read by process() to @p dialog. */
    void applyPresets(Roderuz &dialog) const;

private:
    int priority() const;

    QCommandLineParser m_parser;
    const QCommandLineOption m_terminal;
    const QCommandLineOption m_user;
    const QCommandLineOption m_su;
    const QCommandLineOption m_sudo;
    const QCommandLineOption m_realtime;
    const QCommandLineOption m_priority;
    const QCommandLineOption m_resident;
};

#endif
