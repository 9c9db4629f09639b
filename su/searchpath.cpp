// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchpath.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>

QList<QByteArray> absoluteSearchFolders()
{
    QList<QByteArray> folders;
    for (const QByteArray &folder : qgetenv("PATH").split(':')) {
        if (folder.startsWith('/'))
            folders.append(folder);
    }
    return folders;
}

QByteArray findInAbsoluteFolders(const char *name)
{
    QStringList folders;
    for (const QByteArray &folder : absoluteSearchFolders())
        folders.append(QFile::decodeName(folder));
    // Without folders, findExecutable would search all of PATH.
    if (folders.isEmpty())
        return QByteArray();
    return QFile::encodeName(QStandardPaths::findExecutable(QFile::decodeName(name), folders));
}
