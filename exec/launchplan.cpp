// SPDX-License-Identifier: GPL-2.0-or-later
#include "launchplan.h"

#include "exec/calculator.h"
#include "exec/commandwords.h"
#include "exec/desktopexec.h"
#include "exec/terminal.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>

static const QString rootUser()
{
    return QStringLiteral("root");
}

// Characters the command field does not show: controls, and format characters
// such as bidirectional overrides and zero-width characters. Someone asked to
// type a password for a command must see all of it.
static bool holdsInvisibleCharacters(const QString &text)
{
    const QVector<uint> codePoints = text.toUcs4();
    return std::any_of(codePoints.cbegin(), codePoints.cend(), [](uint codePoint) {
        const QChar::Category category = QChar::category(codePoint);
        return category == QChar::Other_Control || category == QChar::Other_Format;
    });
}

// The companion reads one line per answer: a line break would end it early.
static bool holdsLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
        || text.contains(QChar(0));
}

static bool isWebAddress(const QString &address)
{
    const QString scheme = QUrl(address).scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || address.startsWith(QLatin1String("www."));
}

LaunchPlan::LaunchPlan(const CommandClassification &classification, const LaunchOptions &options)
    : m_classification(classification)
    , m_inTerminal(options.inTerminal)
    , m_terminalProgram(options.terminalProgram)
{
    m_asAnotherUser = (options.priorityChosen && options.scheduler == 1)
        || (options.runAsOther && !options.userName.isEmpty());
    if (m_asAnotherUser)
        planIdentity(options);

    const QString &text = classification.text;
    if (text.isEmpty()) {
        m_lastCommand = options.lastCommand;
        m_action = m_lastCommand.isEmpty() ? NothingToRun : RunLastCommand;
        return;
    }
    if (isArithmeticExpression(text))
        m_action = Calculate;
    else if (text == QLatin1String("logout"))
        m_action = CloseOnly;
    else if (m_asAnotherUser)
        planStartAsOther(options);
    else
        planStart(options);
    // What cannot run as it stands gives way to what the list offers for it.
    if ((m_action == UnknownCommand || m_action == NotAProgram)
        && options.listed.kind != ListedAlternative::NoAlternative) {
        m_listed = options.listed;
        m_action = TakeListedRow;
    }
}

bool LaunchPlan::namesTerminalApplication(
    const CommandClassification &classification, const QStringList &terminalApplications)
{
    const int type = classification.type;
    return (type == Executable && terminalApplications.contains(classification.executableName))
        || ((type == Executable || type == DesktopEntry) && classification.entryWantsTerminal);
}

QString LaunchPlan::firstWord() const
{
    return m_classification.text.section(QLatin1Char(' '), 0, 0);
}

QString LaunchPlan::terminalName() const
{
    return QFileInfo(m_terminalProgram).fileName();
}

// The lines that start the text by its type, for the terminal's shell or for
// the detached start; empty when the type cannot run as it stands.
QStringList LaunchPlan::typeRewrittenLines(bool forShell) const
{
    const LineConsumer consumer = forShell ? LineConsumer::Shell : LineConsumer::DetachedStart;
    const QString &command = m_classification.text;
    const QString arguments = command.section(QLatin1Char(' '), 1, -1);
    const QString opener = QStringLiteral("xdg-open ");
    switch (m_classification.type) {
    case Network:
        // An address without a scheme is a web address to the user, not a file to the opener.
        if (QUrl(firstWord()).scheme().isEmpty())
            return { opener + typedCommandLine(QStringLiteral("https://") + command, consumer) };
        return { opener + typedCommandLine(command, consumer) };
    case Executable:
        return { forShell ? command : typedCommandLine(command, consumer) };
    case DesktopEntry:
        return expandDesktopExec(m_classification.entryExec, m_classification.entryArguments,
            { m_classification.entryIcon, m_classification.entryName, m_classification.entryPath },
            consumer);
    case File:
    case Folder:
        if (arguments.isEmpty())
            return { opener + typedCommandLine(command, consumer) };
        break;
    }
    return forShell ? QStringList { command } : QStringList();
}

void LaunchPlan::planStart(const LaunchOptions &options)
{
    m_changesPriority = options.nicePriority > options.startNice;
    m_priority = options.nicePriority;

    const int type = m_classification.type;
    const QString program = firstWord();
    if (type == Network) {
        m_subject = isWebAddress(program) ? OpensWebAddress : OpensAddress;
    } else if ((type == File || type == Folder)
        && !m_classification.text.contains(QLatin1Char(' '))) {
        m_subject = OpensDocument;
        m_subjectName = m_classification.text;
    } else {
        m_subject = RunsProgram;
        m_subjectName = m_classification.entryName.isEmpty() ? QFileInfo(program).fileName()
                                                             : m_classification.entryName;
    }

    // In a terminal the shell reads the line and expands "~" itself.
    QStringList lines = typeRewrittenLines(m_inTerminal);
    if (lines.isEmpty()) {
        m_action = type == Unknown ? UnknownCommand : NotAProgram;
        return;
    }
    for (QString &line : lines) {
        if (options.wrapCommand)
            line = options.wrapCommand(line);
        // nice adds its argument to the dialog's own nice value, so it gets the
        // difference: the command then runs at exactly the value chosen.
        if (m_changesPriority)
            line =
                QStringLiteral("nice -n %1 ").arg(options.nicePriority - options.startNice) + line;
        if (m_inTerminal) {
            line = terminalCommandLine(line, m_classification.entryWantsTerminal,
                LineConsumer::DetachedStart, options.terminalProgram);
        }
    }
    m_commandLines = lines;
    if (type == DesktopEntry) {
        m_workingDirectory = m_classification.entryWorkingDirectory;
        m_announcesStart = m_classification.entryNotifiesStartup && !m_inTerminal;
    }
    m_action = Start;
}

void LaunchPlan::planIdentity(const LaunchOptions &options)
{
    m_targetUser = options.runAsOther ? options.userName : options.callerName;
    // sudo only ever serves to become root.
    m_switchTool = options.sudoChosen && m_targetUser == rootUser() ? QStringLiteral("sudo")
                                                                    : QStringLiteral("su");
    if (options.callerIsRoot)
        m_passwordOwner = NoPassword;
    else
        m_passwordOwner = m_switchTool == QLatin1String("sudo") ? CallersPassword : TargetsPassword;
}

void LaunchPlan::planStartAsOther(const LaunchOptions &options)
{
    if (options.priorityChosen) {
        m_schedulingPolicy = options.scheduler;
        m_priority = options.scheduler == 1 ? options.realtimePriority : options.nicePriority;
        m_changesPriority = true;
    } else {
        // A lower priority than the dialog's is kept, as on the caller's own path.
        m_priority = qMax(options.nicePriority, options.startNice);
        m_changesPriority = m_priority != options.startNice;
    }

    // The companion hands the line to "/bin/sh -c"; only an application's
    // entry is rewritten, the rest is what was typed.
    QString line = m_classification.type == DesktopEntry
        ? typeRewrittenLines(true).join(QStringLiteral(" & "))
        : m_classification.text;
    // The entry's application starts in its folder; the braces keep every start there.
    if (m_classification.type == DesktopEntry
        && !m_classification.entryWorkingDirectory.isEmpty()) {
        line = QStringLiteral("cd %1 && { %2; }")
                   .arg(shellQuoted(m_classification.entryWorkingDirectory), line);
    }
    if (m_inTerminal) {
        line = terminalCommandLine(line, m_classification.entryWantsTerminal, LineConsumer::Shell,
            options.terminalProgram);
    }
    m_commandLines = QStringList { line };

    if (holdsInvisibleCharacters(m_classification.text))
        m_refusal = InvisibleCharacters;
    else if (holdsLineBreak(line))
        m_refusal = LineBreakInCommand;
    else if (holdsLineBreak(m_targetUser))
        m_refusal = LineBreakInUser;
    m_action = m_refusal == NoRefusal ? StartAsOther : Refused;
}
