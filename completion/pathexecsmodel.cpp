// SPDX-License-Identifier: GPL-2.0-or-later
#include "pathexecsmodel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QIcon>

#include <algorithm>
#include <set>

#include <dirent.h>
#include <sys/stat.h>

using Entry = QPair<QString, QString>;

static bool nameLess(const Entry &left, const Entry &right)
{
    return left.first < right.first;
}

PathExecsModel::PathExecsModel(const QSet<QString> &excludedNames, QObject *parent)
    : QAbstractListModel(parent)
    , excludedNames(excludedNames)
    , executableIcon(QIcon::fromTheme(QStringLiteral("application-x-executable")))
{
    // Empty parts stay: they name no directory (not the current one) and yield nothing.
    const QString searchPath = QFile::decodeName(qgetenv("PATH"));
    paths = searchPath.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    paths.removeDuplicates();

    rebuild();

    auto *watcher = new QFileSystemWatcher(this);
    QStringList watchable = paths;
    watchable.removeAll(QString());
    if (!watchable.isEmpty())
        watcher->addPaths(watchable);
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, &PathExecsModel::rebuild);
}

int PathExecsModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return execs.size() - hiddenPositions.size();
}

QVariant PathExecsModel::data(const QModelIndex &index, int role) const
{
    const int position = rowToEntry(index.row());
    if (position == -1)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return execs.at(position).first;
    case Qt::DecorationRole:
        return executableIcon;
    default:
        return QVariant();
    }
}

void PathExecsModel::checkExecutables(const QString &prefix)
{
    const auto first =
        std::lower_bound(execs.cbegin(), execs.cend(), Entry(prefix, QString()), nameLess);
    QVector<int> failed;
    for (auto it = first; it != execs.cend() && it->first.startsWith(prefix); ++it) {
        const int position = int(it - execs.cbegin());
        if (testedBits.testBit(position) || hiddenBits.testBit(position))
            continue;
        if (!QFileInfo(it->second + QDir::separator() + it->first).isExecutable())
            failed.append(position);
        testedBits.setBit(position);
    }
    for (int position : qAsConst(failed))
        hideEntry(position);
}

void PathExecsModel::rebuild()
{
    beginResetModel();
    execs.clear();
    hiddenPositions.clear();
    // A directory met again under another name (/bin as a link to /usr/bin)
    // holds only names that its first name already gave, so it is read once.
    std::set<std::pair<dev_t, ino_t>> readDirectories;
    for (const QString &directory : qAsConst(paths)) {
        struct stat status;
        if (stat(QFile::encodeName(directory).constData(), &status) == 0
            && !readDirectories.insert({ status.st_dev, status.st_ino }).second)
            continue;
        const QStringList names = scanDirectory(directory);
        for (const QString &name : names) {
            if (!excludedNames.contains(name))
                execs.append(Entry(name, directory));
        }
    }
    // A stable sort keeps search-path order among equal names, so the first of
    // each run comes from the earliest directory.
    std::stable_sort(execs.begin(), execs.end(), nameLess);
    const auto last = std::unique(execs.begin(), execs.end(),
        [](const Entry &left, const Entry &right) { return left.first == right.first; });
    execs.erase(last, execs.end());
    hiddenBits = QBitArray(execs.size());
    testedBits = QBitArray(execs.size());
    endResetModel();
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
    if (row < 0 || row >= execs.size())
        return -1;
    // hiddenPositions[i] - i is the number of rows before the i-th hidden entry;
    // the row's position is the row plus the hidden entries standing before it.
    int low = 0;
    int high = hiddenPositions.size();
    while (low < high) {
        const int middle = (low + high) / 2;
        if (hiddenPositions.at(middle) - middle <= row)
            low = middle + 1;
        else
            high = middle;
    }
    const int position = row + low;
    return position < execs.size() ? position : -1;
}

int PathExecsModel::entryToRow(int position) const
{
    if (position < 0 || position >= execs.size())
        return -1;
    const auto hiddenBefore =
        std::lower_bound(hiddenPositions.cbegin(), hiddenPositions.cend(), position);
    return position - int(hiddenBefore - hiddenPositions.cbegin());
}

void PathExecsModel::hideEntry(int position)
{
    const int row = entryToRow(position);
    beginRemoveRows(QModelIndex(), row, row);
    hiddenBits.setBit(position);
    hiddenPositions.insert(
        std::lower_bound(hiddenPositions.begin(), hiddenPositions.end(), position), position);
    endRemoveRows();
}
