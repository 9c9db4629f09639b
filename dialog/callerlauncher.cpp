// SPDX-License-Identifier: GPL-2.0-or-later
#include "callerlauncher.h"

#include "detachedstart.h"
#include "exec/launchdescription.h"
#include "startupnotice.h"

#include <QMessageBox>

bool CallerLauncher::run(const LaunchPlan &plan, QWidget *window)
{
    switch (plan.action()) {
    case LaunchPlan::UnknownCommand:
    case LaunchPlan::NotAProgram:
        QMessageBox::critical(window, tr("Error - Run command"),
            LaunchDescription::notRunMessage(
                plan, DetachedStart::forMessage(plan.classification().text)),
            QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    case LaunchPlan::Refused:
        QMessageBox::warning(window, tr("Warning - Run command"),
            LaunchDescription::refusalMessage(plan), QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    case LaunchPlan::Start: {
        const CommandClassification &found = plan.classification();
        const auto announce = [&found](const QString &program) {
            return StartupNotice::announce(found.entryName, found.entryIcon, program);
        };
        const QString failure = DetachedStart::run(plan.commandLines(), plan.workingDirectory(),
            plan.announcesStart() ? announce : std::function<QString(const QString &)>());
        if (failure.isEmpty())
            return true;
        QMessageBox::warning(
            window, tr("Warning - Run command"), failure, QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }
    default:
        return false;
    }
}
