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
    , m_lister(new DirectoryLister(this))
    , m_folderIcon(QIcon::fromTheme(QStringLiteral("folder")))
    , m_fileIcon(QIcon::fromTheme(QStringLiteral("text-x-generic")))
{
    connect(m_lister, &DirectoryLister::listed, this, &PathCompletionModel::slotListed);
}

void PathCompletionModel::setText(const QString &text, int cursor)
{
    const QString oldContext = m_textBefore + m_typedFolder + QLatin1Char('\n') + m_textAfter;
    cursor = qBound(0, cursor, text.size());
    const int wordStart = text.lastIndexOf(QLatin1Char(' '), cursor - 1) + 1;
    const QString word = text.mid(wordStart, cursor - wordStart);
    m_textBefore = text.left(wordStart);
    m_textAfter = text.mid(cursor);
    if (!startsAsPath(word)) {
        m_typedFolder.clear();
        m_folder.clear();
        updateRows(nullptr);
        return;
    }
    const int nameStart = word.lastIndexOf(QLatin1Char('/')) + 1;
    m_typedFolder = word.left(nameStart);
    m_namePart = word.mid(nameStart);
    m_folder = m_typedFolder;
    if (m_folder.startsWith(QLatin1Char('~')))
        m_folder.replace(0, 1, QDir::homePath());
    updateRows(m_lister->entries(m_folder));
    // The same names may now complete another text.
    if (!m_rows.isEmpty()
        && oldContext != m_textBefore + m_typedFolder + QLatin1Char('\n') + m_textAfter)
        Q_EMIT dataChanged(index(0), index(m_rows.size() - 1), { Qt::EditRole });
}

void PathCompletionModel::slotListed(const QString &listedFolder)
{
    if (!m_typedFolder.isEmpty() && listedFolder == m_folder
        && updateRows(m_lister->entries(m_folder)))
        Q_EMIT listingArrived();
}

bool PathCompletionModel::updateRows(const QVector<FolderEntry> *entries)
{
    QVector<FolderEntry> matching;
    const bool hiddenWanted = m_namePart.startsWith(QLatin1Char('.'));
    if (entries) {
        for (const FolderEntry &entry : *entries) {
            // A file named in full has nothing left to complete; a folder still gets its "/".
            const bool complete = !entry.isFolder && entry.name == m_namePart;
            if (entry.name.startsWith(m_namePart) && !complete
                && (hiddenWanted || !entry.name.startsWith(QLatin1Char('.'))))
                matching.append(entry);
        }
    }
    const auto sameName = [](const FolderEntry &left, const FolderEntry &right) {
        return left.name == right.name && left.isFolder == right.isFolder;
    };
    if (std::equal(matching.cbegin(), matching.cend(), m_rows.cbegin(), m_rows.cend(), sameName))
        return false;
    beginResetModel();
    m_rows = matching;
    endResetModel();
    return true;
}

int PathCompletionModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QVariant PathCompletionModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const FolderEntry &entry = m_rows.at(index.row());
    const QString name = entry.isFolder ? entry.name + QLatin1Char('/') : entry.name;
    switch (role) {
    case Qt::DisplayRole:
        return name;
    case Qt::EditRole:
        return m_textBefore + m_typedFolder + name + m_textAfter;
    case Qt::DecorationRole:
        return entry.isFolder ? m_folderIcon : m_fileIcon;
    default:
        return QVariant();
    }
}
