// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CALLERLAUNCHER_H
#define CALLERLAUNCHER_H

#include <QCoreApplication>

class LaunchPlan;
class QWidget;

/**
 * Runs a LaunchPlan's command as the user who runs the dialog: started
 * detached, announced to the window manager when the application's entry
 * asks for it; or says why it cannot run.
 */
class CallerLauncher
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /**
     * Starts @p plan's command lines, or tells the user in a message box on
     * @p window why they did not start.
     * @return whether the command was started; a plan that does not start
     *         as the caller (CloseOnly, StartAsOther) starts nothing and
     *         shows nothing
     */
    static bool run(const LaunchPlan &plan, QWidget *window);
};

#endif
