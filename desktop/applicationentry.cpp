// SPDX-License-Identifier: GPL-2.0-or-later
#include "applicationentry.h"

#include <KConfigGroup>
#include <KDesktopFile>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

QStringList ApplicationEntry::folders()
{
    QStringList locations = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    const QString system = QStringLiteral("/usr/share/applications");
    if (!locations.contains(system))
        locations.append(system);
    return locations;
}

static QString desktopSuffix()
{
    return QStringLiteral(".desktop");
}

QStringList ApplicationEntry::currentDesktops()
{
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

bool ApplicationEntry::shownOn(
    const QStringList &desktops, const QStringList &onlyShowIn, const QStringList &notShowIn)
{
    for (const QString &desktop : desktops) {
        if (onlyShowIn.contains(desktop))
            return true;
        if (notShowIn.contains(desktop))
            return false;
    }
    return onlyShowIn.isEmpty();
}

static QStringList untranslatedTermsOf(const KConfigGroup &group)
{
    QStringList terms = group.readEntryUntranslated("Keywords", QString())
                            .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    terms.prepend(group.readEntryUntranslated("GenericName", QString()));
    terms.prepend(group.readEntryUntranslated("Name", QString()));
    return terms;
}

// A boolean as desktop entries write it: only "true" is true.
static bool readBoolean(const KConfigGroup &group, const char *key)
{
    return group.readEntry(key, QString()) == QLatin1String("true");
}

// Whether the TryExec program, if any, is installed: a path must be an
// executable file, a name one on the search path.
static bool tryExecFound(const QString &tryExec)
{
    if (tryExec.isEmpty())
        return true;
    if (QFileInfo(tryExec).isAbsolute()) {
        const QFileInfo program(tryExec);
        return program.isFile() && program.isExecutable();
    }
    return !QStandardPaths::findExecutable(tryExec).isEmpty();
}

ApplicationEntry ApplicationEntry::read(const QString &path, const QString &id)
{
    ApplicationEntry entry;
    entry.id = id;
    entry.filePath = path;
    entry.name = id;
    if (!QFileInfo(path).isFile())
        return entry;
    const KDesktopFile file(path);
    const KConfigGroup group = file.desktopGroup();
    const QString type = file.readType();
    entry.exec = group.readEntry("Exec", QString()).trimmed();
    entry.canRun = (type.isEmpty() || type == QLatin1String("Application"))
        && !readBoolean(group, "Hidden") && !entry.exec.isEmpty()
        && tryExecFound(group.readEntry("TryExec", QString()));
    entry.shown = entry.canRun && type == QLatin1String("Application")
        && !readBoolean(group, "NoDisplay")
        && shownOn(currentDesktops(), group.readXdgListEntry("OnlyShowIn"),
            group.readXdgListEntry("NotShowIn"));
    const QString name = file.readName();
    if (!name.isEmpty())
        entry.name = name;
    entry.genericName = file.readGenericName();
    entry.comment = file.readComment();
    entry.keywords = group.readXdgListEntry("Keywords");
    entry.untranslatedTerms = untranslatedTermsOf(group);
    entry.icon = file.readIcon();
    entry.categories = group.readXdgListEntry("Categories");
    entry.workingDirectory = group.readEntry("Path", QString());
    entry.terminal = readBoolean(group, "Terminal");
    entry.startupNotify = readBoolean(group, "StartupNotify");
    return entry;
}

QString ApplicationEntry::baseId() const
{
    return id.endsWith(desktopSuffix()) ? id.left(id.size() - desktopSuffix().size()) : id;
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

QIcon ApplicationEntry::themedIcon() const
{
    if (QFileInfo(icon).isAbsolute())
        return QIcon(icon);
    return QIcon::fromTheme(icon, QIcon::fromTheme(QStringLiteral("application-x-executable")));
}

QList<ApplicationEntry> ApplicationEntry::installed()
{
    QList<ApplicationEntry> entries;
    QSet<QString> seenIds;
    for (const QString &folder : folders()) {
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
            ApplicationEntry entry = read(path, id);
            if (entry.shown)
                entries.append(std::move(entry));
        }
    }
    return entries;
}

// Adds the desktop entry files below @p folder to @p stamp, as installed()
// finds them: hidden files and folders left out, links followed, though not
// round in circles for ever.
static void addToStamp(const QByteArray &folder, int depth, QCryptographicHash *stamp)
{
    static const int deepestFolder = 16;
    DIR *directory = opendir(folder.constData());
    if (!directory)
        return;
    while (const dirent *entry = readdir(directory)) {
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat info;
        if (entry->d_name[0] == '.' || stat(path.constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode) && depth < deepestFolder) {
            addToStamp(path, depth + 1, stamp);
        } else if (S_ISREG(info.st_mode) && path.endsWith(".desktop")) {
            stamp->addData(path);
            for (const qint64 number : { qint64(info.st_ino), qint64(info.st_size),
                     qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec) })
                stamp->addData(reinterpret_cast<const char *>(&number), sizeof number);
        }
    }
    closedir(directory);
}

QByteArray ApplicationEntry::installedStamp()
{
    QCryptographicHash stamp(QCryptographicHash::Sha1);
    for (const QString &folder : folders())
        addToStamp(QFile::encodeName(folder), 0, &stamp);
    return stamp.result();
}

// The file for @p id below @p folder: the id itself, or for a dash in it, the
// rest of the id below the subfolder named by the part before the dash.
static QString locateIn(const QString &folder, const QString &id)
{
    const QString plain = folder + QLatin1Char('/') + id + desktopSuffix();
    if (QFileInfo(plain).isFile())
        return plain;
    for (int dash = id.indexOf(QLatin1Char('-')); dash > 0;
         dash = id.indexOf(QLatin1Char('-'), dash + 1)) {
        const QString subfolder = folder + QLatin1Char('/') + id.left(dash);
        if (!QFileInfo(subfolder).isDir())
            continue;
        const QString found = locateIn(subfolder, id.mid(dash + 1));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

QString ApplicationEntry::locate(const QString &id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return QString();
    for (const QString &folder : folders()) {
        const QString found = locateIn(folder, id);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}
