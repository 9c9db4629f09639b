// SPDX-License-Identifier: GPL-2.0-or-later
#include "applicationsmodel.h"

#include <QFutureWatcher>
#include <QtConcurrent>

ApplicationsModel::ApplicationsModel(QObject *parent)
    : QAbstractListModel(parent)
{
    auto *watcher = new QFutureWatcher<ApplicationIndex>(this);
    connect(watcher, &QFutureWatcher<ApplicationIndex>::finished, this, [this, watcher] {
        setIndex(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(
        QtConcurrent::run(ApplicationIndex::threadPool(), &ApplicationIndex::installed));
}

void ApplicationsModel::setTypedText(const QString &typed)
{
    if (typed == m_typedText)
        return;
    m_typedText = typed;
    setRows(m_applications.matches(m_typedText));
}

QHash<QString, QString> ApplicationsModel::namesByEntry() const
{
    QHash<QString, QString> names;
    names.reserve(m_applications.size());
    for (int position = 0; position < m_applications.size(); ++position) {
        const ApplicationEntry &entry = m_applications.entry(position);
        names.insert(entry.baseId(), entry.name);
    }
    return names;
}

void ApplicationsModel::setIndex(const ApplicationIndex &loadedIndex)
{
    const QVector<Match> matching = loadedIndex.matches(m_typedText);
    // Nothing shown before or after: no reset, so no list is filtered anew for nothing.
    const bool visible = !m_rows.isEmpty() || !matching.isEmpty();
    if (visible)
        beginResetModel();
    m_applications = loadedIndex;
    m_icons.clear();
    m_loaded = true;
    m_rows = matching;
    if (visible)
        endResetModel();
    Q_EMIT indexLoaded();
}

void ApplicationsModel::setRows(const QVector<Match> &matches)
{
    if (matches == m_rows)
        return;
    beginResetModel();
    m_rows = matches;
    endResetModel();
}

int ApplicationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QVariant ApplicationsModel::data(const QModelIndex &modelIndex, int role) const
{
    if (!modelIndex.isValid() || modelIndex.row() >= m_rows.size())
        return QVariant();
    const int position = m_rows.at(modelIndex.row()).position;
    const ApplicationEntry &entry = m_applications.entry(position);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return entry.name;
    case EntryIdRole:
        return entry.baseId();
    case Qt::DecorationRole: {
        auto icon = m_icons.find(position);
        if (icon == m_icons.end())
            icon = m_icons.insert(position, entry.themedIcon());
        return icon.value();
    }
    case Qt::ToolTipRole:
        return entry.comment;
    default:
        return QVariant();
    }
}
