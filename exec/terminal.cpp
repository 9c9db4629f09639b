// SPDX-License-Identifier: GPL-2.0-or-later
#include "terminal.h"

#include "exec/findcommandexecutable.h"

#include <QFileInfo>

QString terminalProgram()
{
    const QString kavTerm = findCommandExecutable(QStringLiteral("kav-term"));
    if (!kavTerm.isEmpty())
        return kavTerm;
    const QString preferred = findCommandExecutable(QStringLiteral("x-terminal-emulator"));
    if (!preferred.isEmpty())
        return QFileInfo(preferred).canonicalFilePath();
    return findCommandExecutable(QStringLiteral("xterm"));
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
    QString line = program;
    const bool keepsOpenOnRequest =
        line.endsWith(QLatin1String("kav-term")) || line.endsWith(QLatin1String("konsole"));
    if (keepsOpenOnRequest && !terminalEntry)
        line += QLatin1String(" --noclose");
    return line + QStringLiteral(" -e /bin/sh -c \"%1\"").arg(escapedForQuotes(command, consumer));
}
