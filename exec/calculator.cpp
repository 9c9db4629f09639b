// SPDX-License-Identifier: GPL-2.0-or-later
#include "calculator.h"

#include "exec/commandwords.h"
#include "exec/findcommandexecutable.h"

#include <QRegExp>
#include <QTextStream>

#include <cstdio>

// The shell expands the fallback expression unquoted inside $((...)): only
// operators and digits may reach it, and parentheses must balance so that the
// expression cannot close the arithmetic expansion early.
static bool isPlainArithmetic(const QString &expression)
{
    static const QString allowed = QStringLiteral("0123456789 \t+-*/%<>=!~^&|?:,()");
    int depth = 0;
    for (const QChar c : expression) {
        if (!allowed.contains(c))
            return false;
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && --depth < 0)
            return false;
    }
    return depth == 0;
}

static QString evaluatorCommand(const QString &expression)
{
    const QString bc = findCommandExecutable(QStringLiteral("bc"));
    if (!bc.isEmpty()) {
        return QStringLiteral("echo %1 | %2")
            .arg(shellQuoted(QStringLiteral("scale=8; ") + expression), shellQuoted(bc));
    }
    if (!isPlainArithmetic(expression))
        return QString();
    return QStringLiteral("echo $((%1))").arg(expression);
}

bool isArithmeticExpression(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.at(0);
    if (!first.isNumber() && first != QLatin1Char('('))
        return false;
    return QRegExp(QStringLiteral("[a-zA-Z\\]\\[]")).indexIn(text) == -1;
}

QString calculate(const QString &expression)
{
    const QString command = evaluatorCommand(expression);
    if (command.isEmpty())
        return QString();

    FILE *stream = popen(command.toLocal8Bit().constData(), "r");
    if (!stream)
        return QString();
    QTextStream output(stream, QIODevice::ReadOnly);
    const QString result = output.readAll().simplified();
    pclose(stream);
    return result;
}
