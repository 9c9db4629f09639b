// SPDX-License-Identifier: GPL-2.0-or-later
#include "findcommandexecutable.h"

#include <QStandardPaths>

QString findCommandExecutable(const QString &text)
{
    const QString word = text.simplified().section(QLatin1Char(' '), 0, 0);
    if (word.isEmpty())
        return QString();
    return QStandardPaths::findExecutable(word);
}
