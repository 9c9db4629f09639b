// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LAUNCHDESCRIPTION_H
#define LAUNCHDESCRIPTION_H

#include "exec/launchplan.h"

#include <QCoreApplication>

/** What the dialog tells the user about a LaunchPlan, in the dialog's words. */
class LaunchDescription
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /**
     * The hint line: what Run will do, including through which tool, as whom,
     * at which priority, in which terminal and whose password it asks for
     * (or waits for), or which row of the list or command of the history
     * Enter takes instead, run the same way.
     * @return the text; for NothingToRun only why root is forced (rootReason()),
     *         for Calculate what the calculator says
     */
    static QString hint(const LaunchPlan &plan);

    /**
     * Why the command runs as root whoever was chosen: the priority or the
     * scheduling asked for.
     * @return the reason; empty unless the plan forcesRoot()
     */
    static QString rootReason(const LaunchPlan &plan);

    /**
     * The label of the password field, naming whose password su or sudo ask
     * for, with the mnemonic of the form's label.
     * @return the label; empty when no password is asked for, for the form's own
     */
    static QString passwordLabel(const LaunchPlan &plan);

    /**
     * The message that says why @p plan was not run, with the @p command (rich
     * text) as it was typed for one that cannot run as it stands: the reason
     * the hint gave.
     * @return the message; empty for a plan that runs
     */
    static QString notRunMessage(const LaunchPlan &plan, const QString &command);

    /** The message that says why a Refused plan was not run; empty for any other plan. */
    static QString refusalMessage(const LaunchPlan &plan);
    /**
     * The message that says why a command was not run for @p refusal; empty
     * for NoRefusal and for the refusals that name a plan's details
     * (NotOnTargetPath, CommandTooLong, NoWindowForOthers).
     */
    static QString refusalMessage(LaunchPlan::Refusal refusal);

private:
    static QString calculation(const LaunchPlan &plan);
    static QString withPriorityAndTerminal(QString hint, const LaunchPlan &plan);
    static QString withPassword(QString hint, const LaunchPlan &plan);
    static QString withManner(QString hint, const LaunchPlan &plan);
};

#endif
