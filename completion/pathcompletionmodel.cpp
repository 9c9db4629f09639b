// SPDX-License-Identifier: GPL-2.0-or-later
#include "pathcompletionmodel.h"

#include <QDir>

#include <algorithm>

static bool startsAsPath(const QString &word)
{
    for (const char *start : { "/", "~/", "./", "../" }) {
        if (word.startsWith(QLatin1String(start)))
            return true;
    }
    return false;
}

PathCompletionModel::PathCompletionModel(QObject *parent)
    : QAbstractListModel(parent)
    , lister(new DirectoryLister(this))
    , folderIcon(QIcon::fromTheme(QStringLiteral("folder")))
    , fileIcon(QIcon::fromTheme(QStringLiteral("text-x-generic")))
{
    connect(lister, &DirectoryLister::listed, this, &PathCompletionModel::slotListed);
}

void PathCompletionModel::setText(const QString &text, int cursor)
{
    const QString oldContext = textBefore + typedFolder + QLatin1Char('\n') + textAfter;
    cursor = qBound(0, cursor, text.size());
    const int wordStart = text.lastIndexOf(QLatin1Char(' '), cursor - 1) + 1;
    const QString word = text.mid(wordStart, cursor - wordStart);
    textBefore = text.left(wordStart);
    textAfter = text.mid(cursor);
    if (!startsAsPath(word)) {
        typedFolder.clear();
        folder.clear();
        updateRows(nullptr);
        return;
    }
    const int nameStart = word.lastIndexOf(QLatin1Char('/')) + 1;
    typedFolder = word.left(nameStart);
    namePart = word.mid(nameStart);
    folder = typedFolder;
    if (folder.startsWith(QLatin1Char('~')))
        folder.replace(0, 1, QDir::homePath());
    updateRows(lister->entries(folder));
    // The same names may now complete another text.
    if (!rows.isEmpty() && oldContext != textBefore + typedFolder + QLatin1Char('\n') + textAfter)
        Q_EMIT dataChanged(index(0), index(rows.size() - 1), { Qt::EditRole });
}

void PathCompletionModel::slotListed(const QString &listedFolder)
{
    if (!typedFolder.isEmpty() && listedFolder == folder && updateRows(lister->entries(folder)))
        Q_EMIT listingArrived();
}

bool PathCompletionModel::updateRows(const QVector<FolderEntry> *entries)
{
    QVector<FolderEntry> matching;
    const bool hiddenWanted = namePart.startsWith(QLatin1Char('.'));
    if (entries) {
        for (const FolderEntry &entry : *entries) {
            // A file named in full has nothing left to complete; a folder still gets its "/".
            const bool complete = !entry.isFolder && entry.name == namePart;
            if (entry.name.startsWith(namePart) && !complete
                && (hiddenWanted || !entry.name.startsWith(QLatin1Char('.'))))
                matching.append(entry);
        }
    }
    const auto sameName = [](const FolderEntry &left, const FolderEntry &right) {
        return left.name == right.name && left.isFolder == right.isFolder;
    };
    if (std::equal(matching.cbegin(), matching.cend(), rows.cbegin(), rows.cend(), sameName))
        return false;
    beginResetModel();
    rows = matching;
    endResetModel();
    return true;
}

int PathCompletionModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

QVariant PathCompletionModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return QVariant();
    const FolderEntry &entry = rows.at(index.row());
    const QString name = entry.isFolder ? entry.name + QLatin1Char('/') : entry.name;
    switch (role) {
    case Qt::DisplayRole:
        return name;
    case Qt::EditRole:
        return textBefore + typedFolder + name + textAfter;
    case Qt::DecorationRole:
        return entry.isFolder ? folderIcon : fileIcon;
    default:
        return QVariant();
    }
}
