// SPDX-License-Identifier: GPL-2.0-or-later
#include "terminal.h"

#include "core/searchpath.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {
struct HoldOption
{
    const char *terminal;
    const char *option;
};
} // namespace

// The option that keeps each terminal's window open after its command, by
// the file name of the terminal's program. Debian's wrappers that stand for
// x-terminal-emulator (gnome-terminal.wrapper, mate-terminal.wrapper,
// xfce4-terminal.wrapper, tilix.wrapper) drop options they do not know, so
// they are missing here like the terminals without such an option.
static const HoldOption holdOptions[] = {
    { "kav-term", "--noclose" },
    { "konsole", "--noclose" },
    { "xterm", "-hold" },
    { "uxterm", "-hold" },
    { "lxterm", "-hold" },
    { "koi8rxterm", "-hold" },
    { "urxvt", "-hold" },
    { "xfce4-terminal", "--hold" },
    { "sakura", "--hold" },
    { "alacritty", "--hold" },
    { "kitty", "--hold" },
    { "terminology", "--hold" },
    { "foot", "--hold" },
    { "Eterm", "--pause" },
};

// Commands may run in the terminal as another user: it is found only in
// folders of its own, never through an empty or relative PATH entry.
static QString findTerminal(const char *name)
{
    return QFile::decodeName(findInAbsoluteFolders(name));
}

QString terminalProgram()
{
    const QString kavTerm = findTerminal("kav-term");
    if (!kavTerm.isEmpty())
        return kavTerm;
    const QString preferred = findTerminal("x-terminal-emulator");
    if (!preferred.isEmpty())
        return QFileInfo(preferred).canonicalFilePath();
    return findTerminal("xterm");
}

static QString holdOption(const QString &program)
{
    const QString name = QFileInfo(program).fileName();
    for (const HoldOption &hold : holdOptions) {
        if (name == QLatin1String(hold.terminal))
            return QLatin1String(hold.option);
    }
    return QString();
}

// @p command run by a shell of its own, so that nothing it does ends the
// waiting shell early; an interrupt ends the command and still shows the prompt.
static QString waitingForEnter(const QString &command)
{
    const QString prompt =
        QCoreApplication::translate("Roderuz", "Press Enter to close this window");
    return QStringLiteral("trap : INT; /bin/sh -c %1; status=$?; printf '\\n%s ' %2; "
                          "read -r answer; exit $status")
        .arg(shellQuoted(command), shellQuoted(prompt));
}

// The text to put between the line's double quotes so that its consumer
// yields exactly the command.
static QString escapedForQuotes(QString command, LineConsumer consumer)
{
    if (consumer == LineConsumer::DetachedStart)
        return command.replace(QLatin1Char('"'), QLatin1String("\"\"\""));

    QString escaped;
    escaped.reserve(command.size());
    for (const QChar c : qAsConst(command)) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('$')
            || c == QLatin1Char('`'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

QString terminalCommandLine(
    const QString &command, bool terminalEntry, LineConsumer consumer, const QString &program)
{
    // A folder's name is no shell text: the path is one word, whatever it holds.
    QString line = program.isEmpty() ? program : quotedWord({ program }, consumer);
    QString script = command;
    // An application that asks for a terminal keeps its window by itself.
    if (!terminalEntry) {
        const QString hold = holdOption(program);
        if (hold.isEmpty())
            script = waitingForEnter(command);
        else
            line += QLatin1Char(' ') + hold;
    }
    return line + QStringLiteral(" -e /bin/sh -c \"%1\"").arg(escapedForQuotes(script, consumer));
}
