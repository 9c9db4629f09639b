// SPDX-License-Identifier: GPL-2.0-or-later
#include "detachedstart.h"

#include "core/commandwords.h"

#include <QProcess>
#include <QTextDocument>

// Whether QProcess's splitting of @p line closes every double quote it opens:
// a quote toggles grouping, three in a row stand for one literal quote, and two
// in a row change nothing. Otherwise the rest of the line would silently
// become one argument.
static bool doubleQuotesPair(const QString &line)
{
    bool quoted = false;
    int quotes = 0;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            quotes = (quotes + 1) % 3;
            continue;
        }
        if (quotes == 1)
            quoted = !quoted;
        quotes = 0;
    }
    if (quotes == 1)
        quoted = !quoted;
    return !quoted;
}

QString DetachedStart::run(const QStringList &commandLines, const QString &workingDirectory,
    const std::function<QString(const QString &program)> &announce)
{
    for (const QString &commandLine : commandLines) {
        if (!doubleQuotesPair(commandLine)) {
            return tr("<center><b>%1</b></center>\nThe double quotes of the command do not "
                      "pair up, so it cannot be split into its arguments.")
                .arg(forMessage(commandLine));
        }
        QStringList arguments;
        for (const CommandWord &word : splitCommandWords(commandLine))
            arguments += word.text;
        const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        process.setWorkingDirectory(workingDirectory);
        const QString startupId = announce && !program.isEmpty() ? announce(program) : QString();
        if (!startupId.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"), startupId);
            process.setProcessEnvironment(environment);
        }
        if (program.isEmpty() || !process.startDetached()) {
            return tr("<center><b>%1</b></center>\nThe specified command does not exist.")
                .arg(forMessage(commandLine));
        }
    }
    return QString();
}

QString DetachedStart::forMessage(const QString &command)
{
    return Qt::convertFromPlainText(command, Qt::WhiteSpacePre);
}
