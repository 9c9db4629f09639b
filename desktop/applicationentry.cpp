// SPDX-License-Identifier: GPL-2.0-or-later
#include "applicationentry.h"

#include "storedfile.h"

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
#include <set>
#include <sys/stat.h>
#include <utility>

// Far larger than any desktop entry or icon file; a larger one is not read.
static const qint64 maximumEntrySize = 1024 * 1024;
static const qint64 maximumIconSize = 16 * 1024 * 1024;

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
    // KConfig opens the file itself, and would wait on a FIFO.
    if (!QFileInfo(path).isFile() || !StoredFile::refusalToRead(path, maximumEntrySize).isEmpty())
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
    const QIcon executable = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!QFileInfo(icon).isAbsolute())
        return QIcon::fromTheme(icon, executable);
    // An icon file is read when it is drawn, on the GUI thread: a FIFO would hang it.
    return StoredFile::refusalToRead(icon, maximumIconSize).isEmpty() ? QIcon(icon) : executable;
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

// The folders of a stamp walk already seen, by device and inode: a link to
// a folder above costs one look, however many such links there are.
struct StampWalk
{
    QCryptographicHash hash { QCryptographicHash::Sha1 };
    std::set<std::pair<dev_t, ino_t>> visited;
};

// Adds the desktop entry files below @p folder to @p walk's stamp, as
// installed() finds them: hidden files and folders left out, links followed,
// each folder once, and no more than a bounded number of folders.
static void addToStamp(const QByteArray &folder, int depth, StampWalk *walk)
{
    static const int deepestFolder = 16;
    static const size_t mostFolders = 4096;
    struct stat folderInfo;
    if (walk->visited.size() >= mostFolders || stat(folder.constData(), &folderInfo) != 0
        || !walk->visited.insert({ folderInfo.st_dev, folderInfo.st_ino }).second)
        return;
    DIR *directory = opendir(folder.constData());
    if (!directory)
        return;
    while (const dirent *entry = readdir(directory)) {
        const QByteArray path = folder + '/' + entry->d_name;
        struct stat info;
        if (entry->d_name[0] == '.' || stat(path.constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode) && depth < deepestFolder) {
            addToStamp(path, depth + 1, walk);
        } else if (S_ISREG(info.st_mode) && path.endsWith(".desktop")) {
            walk->hash.addData(path);
            for (const qint64 number : { qint64(info.st_ino), qint64(info.st_size),
                     qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec) })
                walk->hash.addData(reinterpret_cast<const char *>(&number), sizeof number);
        }
    }
    closedir(directory);
}

QByteArray ApplicationEntry::installedStamp()
{
    StampWalk walk;
    for (const QString &folder : folders())
        addToStamp(QFile::encodeName(folder), 0, &walk);
    return walk.hash.result();
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
