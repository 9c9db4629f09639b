// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef TERMINALCHOICE_H
#define TERMINALCHOICE_H

#include <QString>
#include <QStringList>

/**
 * Whether a command runs in a terminal window: as the user set the
 * run-in-terminal box by hand for the program typed, otherwise as the program
 * asks, so that the box follows the text while it changes. A choice made by
 * hand on the empty field holds for whatever is typed next.
 */
class TerminalChoice
{
public:
    /** The user ticked (@p on) or unticked the box while @p program was the first word typed. */
    void setByHand(bool on, const QString &program);
    /** The field was emptied: a choice made by hand for a program lapses. */
    void fieldEmptied();
    /** Forgets every choice made by hand. */
    void reset();

    /** Whether the box is ticked for @p program, a terminal application when @p asked. */
    bool ticked(const QString &program, bool asked) const;

    /**
     * Teaches @p terminalApplications what running @p program (the program
     * file @p executableName, empty when none was found) showed: one the user
     * sent to a terminal by hand joins the list, one the user kept out of it
     * by hand leaves it. What the box did by itself changes nothing.
     */
    void teach(QStringList *terminalApplications, const QString &program,
        const QString &executableName) const;

private:
    bool appliesTo(const QString &program) const;

    bool m_byHand = false;
    bool m_on = false;
    QString m_program;
};

#endif
