// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktopentryfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool writeDesktopEntry(const QString &path, const QByteArray &keys, const QByteArray &type)
{
    QByteArray contents = "[Desktop Entry]\n";
    if (!type.isEmpty())
        contents += "Type=" + type + '\n';
    contents += keys;
    QFile entry(path);
    return QDir().mkpath(QFileInfo(path).path()) && entry.open(QIODevice::WriteOnly)
        && entry.write(contents) == contents.size();
}
