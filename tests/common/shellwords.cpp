// SPDX-License-Identifier: GPL-2.0-or-later
#include "shellwords.h"

#include <QProcess>

QStringList shellWords(const QString &line)
{
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"), QStringLiteral("printf '%s\\0' ") + line });
    if (!shell.waitForFinished(10000) || shell.exitCode() != 0)
        return { QStringLiteral("<the shell did not run: %1>").arg(line) };
    QStringList words;
    for (const QByteArray &word : shell.readAllStandardOutput().split('\0'))
        words += QString::fromLocal8Bit(word);
    words.removeLast(); // after the last terminator
    return words;
}
