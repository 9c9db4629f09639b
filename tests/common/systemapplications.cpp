// SPDX-License-Identifier: GPL-2.0-or-later
#include "systemapplications.h"

#include "desktopentryfile.h"

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
        if (!writeDesktopEntry(applications + QLatin1Char('/') + id, "Name=Hidden\nHidden=true\n"))
            return QString();
    }
    return folder;
}
