// SPDX-License-Identifier: GPL-2.0-or-later
#include "launchdescription.h"

// A name in a label must not make a mnemonic of its own.
static QString forLabel(QString name)
{
    return name.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// @p hint with the priority and the terminal that @p plan runs with.
QString LaunchDescription::withPriorityAndTerminal(QString hint, const LaunchPlan &plan)
{
    if (plan.schedulingPolicy() == SchedulingPolicy::Realtime)
        hint = tr("%1 with realtime priority %2").arg(hint).arg(plan.priority());
    else if (plan.changesPriority())
        hint = tr("%1 at priority %2").arg(hint).arg(plan.priority());
    if (plan.inTerminal())
        hint = tr("%1 in %2").arg(hint, plan.terminalName());
    return hint;
}

// @p hint with whose password su or sudo ask for, and whether it is still to be typed.
QString LaunchDescription::withPassword(QString hint, const LaunchPlan &plan)
{
    if (!plan.runsAsAnotherUser())
        return hint;
    switch (plan.passwordOwner()) {
    case LaunchPlan::CallersPassword:
        return plan.awaitsPassword() ? tr("%1; type your own password first").arg(hint)
                                     : tr("%1; asks for your own password").arg(hint);
    case LaunchPlan::TargetsPassword:
        return plan.awaitsPassword()
            ? tr("%1; type the password of %2 first").arg(hint, plan.targetUser())
            : tr("%1; asks for the password of %2").arg(hint, plan.targetUser());
    case LaunchPlan::NoPassword:
        break;
    }
    return hint;
}

// What Enter takes instead of the text, @p hint, as whom, at which priority
// and in which terminal it runs.
QString LaunchDescription::withManner(QString hint, const LaunchPlan &plan)
{
    if (plan.runsAsAnotherUser())
        hint = tr("%1, as %2 through %3").arg(hint, plan.targetUser(), plan.switchTool());
    return withPassword(withPriorityAndTerminal(hint, plan), plan);
}

QString LaunchDescription::hint(const LaunchPlan &plan)
{
    QString hint;
    switch (plan.action()) {
    case LaunchPlan::NothingToRun:
        return rootReason(plan);
    case LaunchPlan::Calculate:
        return calculation(plan);
    case LaunchPlan::RunLastCommand:
        return withManner(
            tr("Enter runs the last command again: %1").arg(plan.lastCommand()), plan);
    case LaunchPlan::TakeListedRow:
        switch (plan.listed().kind) {
        case ListedAlternative::OpensFile:
            return withManner(tr("Enter opens %1").arg(plan.listed().name), plan);
        case ListedAlternative::ShowsFolder:
            return tr("Enter shows what is in %1").arg(plan.listed().name);
        default:
            return withManner(tr("Enter runs %1").arg(plan.listed().name), plan);
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
        case LaunchPlan::NulInCommand:
            return tr("The command holds a NUL byte, so it cannot run as another user");
        case LaunchPlan::NotOnTargetPath:
            return tr("%1 is not on %2's search path; give its full path")
                .arg(plan.program(), plan.targetUser());
        case LaunchPlan::CommandTooLong:
            return tr("The command is %1 bytes long, more than the %2 bytes the system passes in "
                      "one argument, so it cannot run as another user")
                .arg(plan.commandLength())
                .arg(plan.argumentLimit());
        case LaunchPlan::NoWindowForOthers:
            return tr("Windows of %1 cannot open in this Wayland session").arg(plan.targetUser());
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
        return withPriorityAndTerminal(hint, plan);
    case LaunchPlan::StartAsOther:
    case LaunchPlan::TypePassword:
        hint = tr("Runs as %1 through %2").arg(plan.targetUser(), plan.switchTool());
        if (plan.windowsUnreachable())
            hint = tr("%1, without windows in this Wayland session").arg(hint);
        return withPassword(withPriorityAndTerminal(hint, plan), plan);
    }
    return hint;
}

// What the calculator says about the expression of @p plan.
QString LaunchDescription::calculation(const LaunchPlan &plan)
{
    if (!plan.valueKnown())
        return tr("Calculating ...");
    if (plan.calculationOutcome() == Calculator::TooLong)
        return tr("Result too long");
    if (plan.calculationOutcome() == Calculator::NeedsBc)
        return tr("Install bc to calculate this");
    return plan.value().isEmpty() ? tr("Cannot calculate this expression")
                                  : tr("= %1").arg(plan.value());
}

QString LaunchDescription::notRunMessage(const LaunchPlan &plan, const QString &command)
{
    switch (plan.action()) {
    case LaunchPlan::UnknownCommand:
    case LaunchPlan::NotAProgram:
        //: The command as typed, in bold, then why it was not run (as the hint said)
        return tr("<center><b>%1</b></center>\n%2.").arg(command, hint(plan).toHtmlEscaped());
    case LaunchPlan::Refused:
        return refusalMessage(plan);
    default:
        return QString();
    }
}

QString LaunchDescription::rootReason(const LaunchPlan &plan)
{
    if (!plan.forcesRoot())
        return QString();
    return plan.schedulingPolicy() == SchedulingPolicy::Realtime
        ? tr("Runs as root: only root may use realtime scheduling")
        : tr("Runs as root: only root may raise the priority");
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
    if (plan.action() != LaunchPlan::Refused)
        return QString();
    switch (plan.refusal()) {
    case LaunchPlan::NotOnTargetPath:
        return tr("<qt><b>%1</b> is not on the search path of <b>%2</b>, so it was not run. Give "
                  "its full path.</qt>")
            .arg(plan.program().toHtmlEscaped(), plan.targetUser().toHtmlEscaped());
    case LaunchPlan::CommandTooLong:
        return tr("The command is %1 bytes long, more than the %2 bytes that the system passes to "
                  "a program in one argument, so it was not run as another user.")
            .arg(plan.commandLength())
            .arg(plan.argumentLimit());
    case LaunchPlan::NoWindowForOthers:
        return tr("<qt>No window of <b>%1</b> can open in this Wayland session, so it was not run: "
                  "its XWayland has no authority to hand over (an X11 program ends with "
                  "\"Authorization required\"), and the session's Wayland socket is never opened "
                  "to another user.</qt>")
            .arg(plan.targetUser().toHtmlEscaped());
    default:
        return refusalMessage(plan.refusal());
    }
}

QString LaunchDescription::refusalMessage(LaunchPlan::Refusal refusal)
{
    switch (refusal) {
    case LaunchPlan::LineBreakInCommand:
        return tr("The command holds a line break, so it was not run.");
    case LaunchPlan::LineBreakInUser:
        return tr("The user name holds a line break, so it was not run.");
    case LaunchPlan::NulInCommand:
        return tr("The command holds a NUL byte, so it was not run.");
    case LaunchPlan::InvisibleCharacters:
        return tr("The command contains control characters or invisible formatting characters "
                  "that the command field cannot show. It is not run as another user.");
    default:
        break;
    }
    return QString();
}
