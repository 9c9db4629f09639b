// SPDX-License-Identifier: GPL-2.0-or-later
#include "launchdescription.h"

// A name in a label must not make a mnemonic of its own.
static QString forLabel(QString name)
{
    return name.replace(QLatin1Char('&'), QLatin1String("&&"));
}

QString LaunchDescription::hint(const LaunchPlan &plan)
{
    QString hint;
    switch (plan.action()) {
    case LaunchPlan::NothingToRun:
    case LaunchPlan::Calculate:
        return QString();
    case LaunchPlan::RunLastCommand:
        return tr("Enter runs the last command again: %1").arg(plan.lastCommand());
    case LaunchPlan::TakeListedRow:
        switch (plan.listed().kind) {
        case ListedAlternative::OpensFile:
            return tr("Enter opens %1").arg(plan.listed().name);
        case ListedAlternative::ShowsFolder:
            return tr("Enter shows what is in %1").arg(plan.listed().name);
        default:
            return tr("Enter runs %1").arg(plan.listed().name);
        }
    case LaunchPlan::CloseOnly:
        return tr("Closes this dialog");
    case LaunchPlan::UnknownCommand:
        return tr("No program or file named %1").arg(plan.firstWord());
    case LaunchPlan::NotAProgram:
        return tr("%1 is not a program, so it cannot take arguments").arg(plan.firstWord());
    case LaunchPlan::Refused:
        switch (plan.refusal()) {
        case LaunchPlan::LineBreakInCommand:
            return tr("The command holds a line break, so it cannot run as another user");
        case LaunchPlan::LineBreakInUser:
            return tr("The user name holds a line break, so it cannot run as another user");
        default:
            return tr("The command holds characters that the field cannot show, so it cannot "
                      "run as another user");
        }
    case LaunchPlan::Start:
        switch (plan.subject()) {
        case LaunchPlan::OpensWebAddress:
            hint = tr("Opens the address in the web browser");
            break;
        case LaunchPlan::OpensAddress:
            hint = tr("Opens the address with the default application");
            break;
        case LaunchPlan::OpensDocument:
            hint = tr("Opens %1 with the default application").arg(plan.subjectName());
            break;
        case LaunchPlan::RunsProgram:
            hint = tr("Runs %1").arg(plan.subjectName());
            break;
        }
        if (plan.changesPriority())
            hint = tr("%1 at priority %2").arg(hint).arg(plan.priority());
        break;
    case LaunchPlan::StartAsOther:
        hint = tr("Runs as %1 through %2").arg(plan.targetUser(), plan.switchTool());
        if (plan.schedulingPolicy() == 1)
            hint = tr("%1 with realtime priority %2").arg(hint).arg(plan.priority());
        else if (plan.changesPriority())
            hint = tr("%1 at priority %2").arg(hint).arg(plan.priority());
        break;
    }
    if (plan.inTerminal())
        hint = tr("%1 in %2").arg(hint, plan.terminalName());
    if (plan.action() == LaunchPlan::StartAsOther) {
        if (plan.passwordOwner() == LaunchPlan::CallersPassword)
            hint = tr("%1; asks for your own password").arg(hint);
        else if (plan.passwordOwner() == LaunchPlan::TargetsPassword)
            hint = tr("%1; asks for the password of %2").arg(hint, plan.targetUser());
    }
    return hint;
}

QString LaunchDescription::passwordLabel(const LaunchPlan &plan)
{
    if (!plan.runsAsAnotherUser())
        return QString();
    switch (plan.passwordOwner()) {
    case LaunchPlan::CallersPassword:
        return tr("Your pass&word:");
    case LaunchPlan::TargetsPassword:
        return tr("Pass&word of %1:").arg(forLabel(plan.targetUser()));
    case LaunchPlan::NoPassword:
        break;
    }
    return QString();
}

QString LaunchDescription::refusalMessage(const LaunchPlan &plan)
{
    return plan.action() == LaunchPlan::Refused ? refusalMessage(plan.refusal()) : QString();
}

QString LaunchDescription::refusalMessage(LaunchPlan::Refusal refusal)
{
    switch (refusal) {
    case LaunchPlan::LineBreakInCommand:
        return tr("The command holds a line break, so it was not run.");
    case LaunchPlan::LineBreakInUser:
        return tr("The user name holds a line break, so it was not run.");
    case LaunchPlan::InvisibleCharacters:
        return tr("The command contains control characters or invisible formatting characters "
                  "that the command field cannot show. It is not run as another user.");
    case LaunchPlan::NoRefusal:
        break;
    }
    return QString();
}
