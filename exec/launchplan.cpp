// SPDX-License-Identifier: GPL-2.0-or-later
#include "launchplan.h"

#include "core/commandwords.h"
#include "exec/calculator.h"
#include "exec/commandparser.h"
#include "exec/desktopexec.h"
#include "exec/terminal.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <cstring>

#include <unistd.h>

extern char **environ;

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
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

// What the shell runs without looking for a program: its reserved words and
// the built-in commands that are no program of their own.
static bool isShellWord(const QString &word)
{
    static const QStringList words = { QStringLiteral("."), QStringLiteral(":"),
        QStringLiteral("!"), QStringLiteral("{"), QStringLiteral("}"), QStringLiteral("alias"),
        QStringLiteral("bg"), QStringLiteral("break"), QStringLiteral("case"), QStringLiteral("cd"),
        QStringLiteral("command"), QStringLiteral("continue"), QStringLiteral("do"),
        QStringLiteral("done"), QStringLiteral("elif"), QStringLiteral("else"),
        QStringLiteral("esac"), QStringLiteral("eval"), QStringLiteral("exec"),
        QStringLiteral("exit"), QStringLiteral("export"), QStringLiteral("fg"),
        QStringLiteral("fi"), QStringLiteral("for"), QStringLiteral("getopts"),
        QStringLiteral("hash"), QStringLiteral("if"), QStringLiteral("jobs"),
        QStringLiteral("local"), QStringLiteral("read"), QStringLiteral("readonly"),
        QStringLiteral("return"), QStringLiteral("set"), QStringLiteral("shift"),
        QStringLiteral("then"), QStringLiteral("times"), QStringLiteral("trap"),
        QStringLiteral("type"), QStringLiteral("ulimit"), QStringLiteral("umask"),
        QStringLiteral("unalias"), QStringLiteral("unset"), QStringLiteral("until"),
        QStringLiteral("wait"), QStringLiteral("while") };
    return words.contains(word);
}

// A word that the shell looks up on its search path as it stands: a name
// without a folder, quoting, expansion or assignment.
static bool isProgramName(const QString &word)
{
    static const QString punctuation = QStringLiteral("_-.+,@%");
    return !word.isEmpty() && !isShellWord(word)
        && std::all_of(word.cbegin(), word.cend(), [](QChar c) {
               return (c.unicode() < 128 && c.isLetterOrNumber()) || punctuation.contains(c);
           });
}

// The most bytes one argument may hold (the kernel's 32 pages per argument)
// within what the whole argument list and the environment may take; the
// environment a command gets as another user is at most the caller's.
static qint64 singleArgumentLimit()
{
    const qint64 perArgument = 32 * sysconf(_SC_PAGESIZE);
    qint64 environment = 0;
    for (char **entry = environ; entry && *entry; ++entry)
        environment += qint64(strlen(*entry)) + 1 + qint64(sizeof(char *));
    // "sh", "-c", the command's terminating zero and the list's pointers.
    const qint64 total = sysconf(_SC_ARG_MAX) - environment - 64;
    return qMin(perArgument, total) - 1;
}

static bool isWebAddress(const QString &word)
{
    const QString scheme = QUrl(CommandParser::addressOf(word)).scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

LaunchPlan::LaunchPlan(const CommandClassification &classification, const LaunchOptions &options)
    : m_classification(classification)
    , m_terminalProgram(options.terminalProgram)
{
    m_forcesRoot = needsRoot(options);
    m_asAnotherUser = m_forcesRoot || (options.runAsOther && !options.userName.isEmpty());
    m_awaitsUser = options.runAsOther && options.userName.isEmpty() && !m_forcesRoot;
    if (m_asAnotherUser)
        planIdentity(options);
    planPriority(options);

    const QString &text = classification.text;
    m_terminalBoxTicked = !options.terminalProgram.isEmpty()
        && options.terminalChoice.ticked(firstWord(),
            !text.isEmpty()
                && namesTerminalApplication(classification, options.terminalApplications));
    m_inTerminal = m_terminalBoxTicked;
    if (text.isEmpty()) {
        m_lastCommand = options.lastCommand;
        m_action = m_lastCommand.isEmpty() ? NothingToRun : RunLastCommand;
        m_inTerminal = runsInTerminal(m_lastCommand, options);
        return;
    }
    if (isArithmeticExpression(text))
        planCalculation(options);
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
        m_inTerminal = runsInTerminal(m_listed.text, options);
    }
}

// Whether @p alternative, what Enter takes instead of the text, runs in a
// terminal: the box follows it as it follows typed text. Whether an
// application's entry asks for a terminal is known only once that text is
// looked at, so here only the list of terminal applications counts.
bool LaunchPlan::runsInTerminal(const QString &alternative, const LaunchOptions &options)
{
    const QString program = alternative.simplified().section(QLatin1Char(' '), 0, 0);
    const bool listed =
        !program.isEmpty() && options.terminalApplications.contains(QFileInfo(program).fileName());
    return !options.terminalProgram.isEmpty() && options.terminalChoice.ticked(program, listed);
}

void LaunchPlan::planCalculation(const LaunchOptions &options)
{
    m_action = Calculate;
    m_valueKnown = options.calculatedExpression == m_classification.text;
    if (!m_valueKnown)
        return;
    m_value = options.calculatedValue;
    m_calculationOutcome = options.calculationOutcome;
}

QStringList LaunchPlan::iconNames() const
{
    if (m_classification.text.isEmpty())
        return { QStringLiteral("system-run"), QStringLiteral("application-x-executable") };
    if (m_inTerminal)
        return { QStringLiteral("utilities-terminal"), QStringLiteral("system-run"),
            QStringLiteral("application-x-executable") };
    return m_classification.iconNames;
}

bool LaunchPlan::needsRoot(const LaunchOptions &options)
{
    return (options.priorityChosen && options.nicePriority < options.startNice)
        || options.scheduler == SchedulingPolicy::Realtime;
}

bool LaunchPlan::namesTerminalApplication(
    const CommandClassification &classification, const QStringList &terminalApplications)
{
    const CommandType type = classification.type;
    return (type == CommandType::Executable
               && terminalApplications.contains(classification.executableName))
        || ((type == CommandType::Executable || type == CommandType::DesktopEntry)
            && classification.entryWantsTerminal);
}

QString LaunchPlan::firstWord() const
{
    return m_classification.text.section(QLatin1Char(' '), 0, 0);
}

QString LaunchPlan::historyText() const
{
    const CommandClassification &found = m_classification;
    if (found.type != CommandType::DesktopEntry || !found.chosenEntry.isEmpty()
        || found.entryName.isEmpty())
        return found.text;
    // An id is no name people read.
    return found.entryArguments.isEmpty()
        ? found.entryName
        : found.entryName + QLatin1Char(' ') + found.entryArguments;
}

QString LaunchPlan::historyEntry() const
{
    if (m_classification.type != CommandType::DesktopEntry)
        return QString();
    return m_classification.chosenEntry.isEmpty() ? firstWord() : m_classification.chosenEntry;
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
    case CommandType::Network:
        // An address without a scheme is a web address to the user, not a file to the opener.
        return { opener
            + typedCommandLine(
                CommandParser::addressOf(firstWord()) + command.mid(firstWord().size()),
                consumer) };
    case CommandType::Executable:
        return { forShell ? command : typedCommandLine(command, consumer) };
    case CommandType::DesktopEntry:
        return expandDesktopExec(m_classification.entryExec, m_classification.entryArguments,
            { m_classification.entryIcon, m_classification.entryName, m_classification.entryPath },
            consumer);
    case CommandType::File:
    case CommandType::Folder:
        if (arguments.isEmpty())
            return { opener + typedCommandLine(command, consumer) };
        break;
    case CommandType::Unknown:
        break;
    }
    return forShell ? QStringList { command } : QStringList();
}

void LaunchPlan::planStart(const LaunchOptions &options)
{
    const CommandType type = m_classification.type;
    const QString program = firstWord();
    if (type == CommandType::Network) {
        m_subject = isWebAddress(program) ? OpensWebAddress : OpensAddress;
    } else if ((type == CommandType::File || type == CommandType::Folder)
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
        m_action = type == CommandType::Unknown ? UnknownCommand : NotAProgram;
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
    if (type == CommandType::DesktopEntry) {
        m_workingDirectory = m_classification.entryWorkingDirectory;
        m_announcesStart = m_classification.entryNotifiesStartup && !m_inTerminal;
    }
    m_action = Start;
}

void LaunchPlan::planIdentity(const LaunchOptions &options)
{
    if (m_forcesRoot)
        m_targetUser = rootUser();
    else
        m_targetUser = options.runAsOther ? options.userName : options.callerName;
    // sudo only ever serves to become root.
    m_switchTool = options.sudoChosen && m_targetUser == rootUser() ? QStringLiteral("sudo")
                                                                    : QStringLiteral("su");
    if (options.callerIsRoot)
        m_passwordOwner = NoPassword;
    else
        m_passwordOwner = m_switchTool == QLatin1String("sudo") ? CallersPassword : TargetsPassword;
    m_awaitsPassword = m_passwordOwner != NoPassword && !options.passwordTyped;
}

void LaunchPlan::planPriority(const LaunchOptions &options)
{
    if (!m_asAnotherUser) {
        m_changesPriority = options.nicePriority > options.startNice;
        m_priority = options.nicePriority;
    } else if (options.priorityChosen) {
        m_schedulingPolicy = options.scheduler;
        m_priority = options.scheduler == SchedulingPolicy::Realtime ? options.realtimePriority
                                                                     : options.nicePriority;
        m_changesPriority = true;
    } else {
        // A lower priority than the dialog's is kept, as on the caller's own path.
        m_priority = qMax(options.nicePriority, options.startNice);
        m_changesPriority = m_priority != options.startNice;
    }
}

void LaunchPlan::planStartAsOther(const LaunchOptions &options)
{
    // The companion hands the line to "/bin/sh -c"; only an application's
    // entry is rewritten, the rest is what was typed.
    QString line = m_classification.type == CommandType::DesktopEntry
        ? typeRewrittenLines(true).join(QStringLiteral(" & "))
        : m_classification.text;
    // The entry's application starts in its folder; the braces keep every start there.
    if (m_classification.type == CommandType::DesktopEntry
        && !m_classification.entryWorkingDirectory.isEmpty()) {
        line = QStringLiteral("cd %1 && { %2; }")
                   .arg(shellQuoted(m_classification.entryWorkingDirectory), line);
    }
    if (m_inTerminal) {
        line = terminalCommandLine(line, m_classification.entryWantsTerminal, LineConsumer::Shell,
            options.terminalProgram);
    }
    m_commandLines = QStringList { line };
    m_refusal = refusalAsOther(line, options);
    if (m_refusal != NoRefusal)
        m_action = Refused;
    else
        m_action = m_awaitsPassword ? TypePassword : StartAsOther;
}

// Why @p line, to run as the target user, would not reach the other side as
// it is shown, or not run there; NoRefusal when it would.
LaunchPlan::Refusal LaunchPlan::refusalAsOther(const QString &line, const LaunchOptions &options)
{
    if (holdsInvisibleCharacters(m_classification.text))
        return InvisibleCharacters;
    if (holdsLineBreak(line))
        return LineBreakInCommand;
    if (line.contains(QChar(0)))
        return NulInCommand;
    if (holdsLineBreak(m_targetUser) || m_targetUser.contains(QChar(0)))
        return LineBreakInUser;
    // The shell runs the line with "-c", as one argument.
    m_commandLength = line.toLocal8Bit().size();
    m_argumentLimit = singleArgumentLimit();
    if (m_commandLength > m_argumentLimit)
        return CommandTooLong;
    // A terminal and an application open windows; what another command does is its own.
    if (!options.windowsReachOthers()) {
        if (m_inTerminal || m_classification.type == CommandType::DesktopEntry)
            return NoWindowForOthers;
        m_windowsUnreachable = true;
    }

    // The shell looks the program up on the target's search path, not the caller's.
    const QString command = m_classification.type == CommandType::DesktopEntry
        ? m_classification.entryExec
        : m_classification.text;
    const QVector<CommandWord> words = splitCommandWords(command);
    m_program = words.isEmpty() ? QString() : words.first().text;
    if (!isProgramName(m_program) || !options.targetSearchPath)
        return NoRefusal;
    QStringList folders;
    const QByteArray user = m_targetUser.toLocal8Bit();
    for (const QByteArray &folder : options.targetSearchPath(user, m_switchTool).split(':')) {
        if (folder.startsWith('/'))
            folders.append(QFile::decodeName(folder));
    }
    // Without folders, findExecutable would search the caller's PATH.
    if (folders.isEmpty() || QStandardPaths::findExecutable(m_program, folders).isEmpty())
        return NotOnTargetPath;
    return NoRefusal;
}
