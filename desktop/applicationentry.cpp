// SPDX-License-Identifier: GPL-2.0-or-later
#include "applicationentry.h"

#include <KConfigGroup>
#include <KDesktopFile>

#include <QDir>
#include <QDirIterator>
#include <QSet>
#include <QStandardPaths>

#include <optional>

static std::optional<ApplicationEntry> readEntry(const QString &path, const QString &id)
{
    const KDesktopFile file(path);
    const KConfigGroup group = file.desktopGroup();
    if (file.readType() != QLatin1String("Application") || group.readEntry("Hidden", false)
        || file.noDisplay() || !file.tryExec())
        return std::nullopt;

    ApplicationEntry entry;
    entry.id = id;
    entry.exec = group.readEntry("Exec", QString()).simplified();
    if (entry.exec.isEmpty())
        return std::nullopt;
    entry.name = file.readName();
    if (entry.name.isEmpty())
        entry.name = id;
    entry.genericName = file.readGenericName();
    entry.comment = file.readComment();
    entry.keywords = group.readXdgListEntry("Keywords");
    entry.icon = file.readIcon();
    entry.categories = group.readXdgListEntry("Categories");
    return entry;
}

bool ApplicationEntry::matches(const QString &filter) const
{
    const QString text =
        QStringList { name, genericName, comment, keywords.join(QLatin1Char(' ')) }.join(
            QLatin1Char('\n'));
    const QStringList words = filter.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (!text.contains(word, Qt::CaseInsensitive))
            return false;
    }
    return true;
}

QString ApplicationEntry::commandLine() const
{
    QString line;
    for (int i = 0; i < exec.size(); ++i) {
        if (exec.at(i) != QLatin1Char('%'))
            line += exec.at(i);
        else if (++i < exec.size() && exec.at(i) == QLatin1Char('%'))
            line += QLatin1Char('%');
    }
    return line.simplified();
}

QList<ApplicationEntry> ApplicationEntry::installed()
{
    QList<ApplicationEntry> entries;
    QSet<QString> seenIds;
    const QStringList folders =
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    for (const QString &folder : folders) {
        const QDir root(folder);
        QDirIterator files(folder, { QStringLiteral("*.desktop") }, QDir::Files,
            QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (files.hasNext()) {
            const QString path = files.next();
            QString id = root.relativeFilePath(path);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            // A file of higher precedence shadows the others, even one left out.
            if (seenIds.contains(id))
                continue;
            seenIds.insert(id);
            if (const auto entry = readEntry(path, id))
                entries.append(*entry);
        }
    }
    return entries;
}
