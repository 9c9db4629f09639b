// SPDX-License-Identifier: GPL-2.0-or-later
#include "systemapplications.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

QString dataFolderHidingSystemApplications(const QString &parent)
{
    const QString folder = parent + QStringLiteral("/hiding-system-applications");
    const QString applications = folder + QStringLiteral("/applications");
    if (!QDir().mkpath(applications))
        return QString();
    const QDir system(QStringLiteral("/usr/share/applications"));
    QDirIterator entries(
        system.path(), { QStringLiteral("*.desktop") }, QDir::Files, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        // An entry in a subfolder has the subfolder's name and a dash before its own.
        const QString id =
            system.relativeFilePath(entries.next()).replace(QLatin1Char('/'), QLatin1Char('-'));
        QFile hidden(applications + QLatin1Char('/') + id);
        if (!hidden.open(QIODevice::WriteOnly)
            || hidden.write("[Desktop Entry]\nType=Application\nName=Hidden\nHidden=true\n") < 0)
            return QString();
    }
    return folder;
}
