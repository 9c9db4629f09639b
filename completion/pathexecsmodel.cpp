// SPDX-License-Identifier: GPL-2.0-or-later
#include "pathexecsmodel.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QIcon>

#include <algorithm>
#include <numeric>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PathExecsModel::PathExecsModel(const QSet<QString> &excludedNames, QObject *parent)
    : QAbstractListModel(parent)
    , m_excludedNames(excludedNames)
    , m_executableIcon(QIcon::fromTheme(QStringLiteral("application-x-executable")))
{
    // Empty parts stay: they name no directory (not the current one) and yield nothing.
    const QString searchPath = QFile::decodeName(qgetenv("PATH"));
    m_paths = searchPath.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    m_paths.removeDuplicates();

    rebuild();

    auto *watcher = new QFileSystemWatcher(this);
    QStringList watchable = m_paths;
    watchable.removeAll(QString());
    if (!watchable.isEmpty())
        watcher->addPaths(watchable);
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, &PathExecsModel::rebuild);
}

int PathExecsModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_shownPositions.size();
}

QVariant PathExecsModel::data(const QModelIndex &index, int role) const
{
    const int position = rowToEntry(index.row());
    if (position == -1)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_execs.at(position).name;
    case Qt::DecorationRole:
        return m_executableIcon;
    default:
        return QVariant();
    }
}

QVector<Match> PathExecsModel::matchExecutables(const QString &typed)
{
    QVector<Match> found;
    QVector<int> positions;
    for (int position : qAsConst(m_shownPositions)) {
        const MatchClass quality = m_keys.at(position).match(typed);
        if (quality != MatchClass::None) {
            found.append({ position, quality });
            positions.append(position);
        }
    }
    const QVector<int> failed = failExecutableTest(positions);
    if (!failed.isEmpty())
        hideEntries(failed);
    QVector<Match> rows;
    rows.reserve(found.size());
    for (const Match &match : qAsConst(found)) {
        if (!m_hiddenBits.testBit(match.position))
            rows.append({ entryToRow(match.position), match.quality });
    }
    return rows;
}

QVector<int> PathExecsModel::failExecutableTest(const QVector<int> &positions)
{
    // Names are looked up from their open directory: the path walk to it for
    // every name costs more than the test itself. -2: not opened yet.
    QVector<int> directoryFds(m_paths.size(), -2);
    QVector<int> failed;
    for (int position : positions) {
        if (m_testedBits.testBit(position))
            continue;
        const Entry &entry = m_execs.at(position);
        int &directoryFd = directoryFds[entry.directory];
        if (directoryFd == -2)
            directoryFd = open(QFile::encodeName(m_paths.at(entry.directory)).constData(),
                O_PATH | O_DIRECTORY | O_CLOEXEC);
        // What QFileInfo::isExecutable() asks, without building a file information per name.
        if (directoryFd < 0
            || faccessat(directoryFd, QFile::encodeName(entry.name).constData(), X_OK, 0) != 0)
            failed.append(position);
        m_testedBits.setBit(position);
    }
    for (int directoryFd : qAsConst(directoryFds)) {
        if (directoryFd >= 0)
            close(directoryFd);
    }
    return failed;
}

void PathExecsModel::setExcludedNames(const QSet<QString> &names)
{
    if (names == m_excludedNames)
        return;
    m_excludedNames = names;
    rebuild();
}

void PathExecsModel::rebuild()
{
    beginResetModel();
    m_execs.clear();
    // A directory met again under another name (/bin as a link to /usr/bin)
    // holds only names that its first name already gave, so it is read once.
    std::set<std::pair<dev_t, ino_t>> readDirectories;
    for (int directory = 0; directory < m_paths.size(); ++directory) {
        struct stat status;
        if (stat(QFile::encodeName(m_paths.at(directory)).constData(), &status) == 0
            && !readDirectories.insert({ status.st_dev, status.st_ino }).second)
            continue;
        const QStringList names = scanDirectory(m_paths.at(directory));
        for (const QString &name : names) {
            if (!m_excludedNames.contains(name))
                m_execs.append(Entry { name, directory });
        }
    }
    // A stable sort keeps search-path order among equal names, so the first of
    // each run comes from the earliest directory.
    std::stable_sort(m_execs.begin(), m_execs.end(), nameLess);
    const auto last = std::unique(m_execs.begin(), m_execs.end(),
        [](const Entry &left, const Entry &right) { return left.name == right.name; });
    m_execs.erase(last, m_execs.end());
    // Copied in sorted order while the old copies still hold their memory, the
    // names lie side by side: a completer reads them all in row order per key
    // press, and names scattered in the order of the listings cost a cache miss each.
    QVector<Entry> packed;
    packed.reserve(m_execs.size());
    m_keys.clear();
    m_keys.reserve(m_execs.size());
    for (const Entry &entry : qAsConst(m_execs)) {
        packed.append(
            Entry { QString(entry.name.constData(), entry.name.size()), entry.directory });
        m_keys.append(MatchKey(packed.constLast().name));
    }
    m_execs.swap(packed);
    m_hiddenBits = QBitArray(m_execs.size());
    m_testedBits = QBitArray(m_execs.size());
    m_shownPositions.resize(m_execs.size());
    std::iota(m_shownPositions.begin(), m_shownPositions.end(), 0);
    endResetModel();
}

bool PathExecsModel::nameLess(const Entry &left, const Entry &right)
{
    return left.name < right.name;
}

QStringList PathExecsModel::scanDirectory(const QString &directory)
{
    QStringList names;
    DIR *dir = opendir(QFile::encodeName(directory).constData());
    if (!dir)
        return names;
    // The entry type comes with the entry; a file-status call per name would make
    // a scan of thousands of programs slow. Unknown types are left to the executable test.
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_type == DT_REG || entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
            names.append(QFile::decodeName(entry->d_name));
    }
    closedir(dir);
    return names;
}

int PathExecsModel::rowToEntry(int row) const
{
    return row >= 0 && row < m_shownPositions.size() ? m_shownPositions.at(row) : -1;
}

int PathExecsModel::entryToRow(int position) const
{
    if (position < 0 || position >= m_execs.size())
        return -1;
    const auto shownBefore =
        std::lower_bound(m_shownPositions.cbegin(), m_shownPositions.cend(), position);
    return int(shownBefore - m_shownPositions.cbegin());
}

void PathExecsModel::hideEntries(const QVector<int> &positions)
{
    // One layout change for the whole test: a completer filters all its rows
    // again for every change announced, so a removal per name froze the
    // dialog for seconds on a search path with many data files.
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList persistent = persistentIndexList();
    QVector<int> persistentPositions;
    persistentPositions.reserve(persistent.size());
    for (const QModelIndex &index : persistent)
        persistentPositions.append(rowToEntry(index.row()));

    for (int position : positions)
        m_hiddenBits.setBit(position);
    const auto stillShown = std::remove_if(m_shownPositions.begin(), m_shownPositions.end(),
        [this](int position) { return m_hiddenBits.testBit(position); });
    m_shownPositions.erase(stillShown, m_shownPositions.end());

    QModelIndexList moved;
    moved.reserve(persistent.size());
    for (int i = 0; i < persistent.size(); ++i) {
        const int position = persistentPositions.at(i);
        moved.append(position == -1 || m_hiddenBits.testBit(position)
                ? QModelIndex()
                : index(entryToRow(position), persistent.at(i).column()));
    }
    changePersistentIndexList(persistent, moved);
    Q_EMIT layoutChanged();
}
