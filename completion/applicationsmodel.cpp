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
    if (typed == typedText)
        return;
    typedText = typed;
    setRows(applications.matches(typedText));
}

void ApplicationsModel::setIndex(const ApplicationIndex &loadedIndex)
{
    const QVector<Match> matching = loadedIndex.matches(typedText);
    // Nothing shown before or after: no reset, so no list is filtered anew for nothing.
    const bool visible = !rows.isEmpty() || !matching.isEmpty();
    if (visible)
        beginResetModel();
    applications = loadedIndex;
    icons.clear();
    loaded = true;
    rows = matching;
    if (visible)
        endResetModel();
    Q_EMIT indexLoaded();
}

void ApplicationsModel::setRows(const QVector<Match> &matches)
{
    if (matches == rows)
        return;
    beginResetModel();
    rows = matches;
    endResetModel();
}

int ApplicationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

QVariant ApplicationsModel::data(const QModelIndex &modelIndex, int role) const
{
    if (!modelIndex.isValid() || modelIndex.row() >= rows.size())
        return QVariant();
    const int position = rows.at(modelIndex.row()).position;
    const ApplicationEntry &entry = applications.entry(position);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return entry.name;
    case EntryIdRole:
        return entry.baseId();
    case Qt::DecorationRole: {
        auto icon = icons.find(position);
        if (icon == icons.end())
            icon = icons.insert(position, entry.themedIcon());
        return icon.value();
    }
    case Qt::ToolTipRole:
        return entry.comment;
    default:
        return QVariant();
    }
}
