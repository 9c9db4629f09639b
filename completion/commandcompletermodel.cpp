// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompletermodel.h"

#include "pathexecsmodel.h"

#include <QSet>
#include <QStringListModel>

static QStringList displayTexts(const QAbstractItemModel *model)
{
    // The history box keeps its entries as a string list. The snapshot shares
    // the strings but takes an array of them of its own now, so that the box
    // changes its list without copying it (see HistoryBox::setHistoryItems()).
    if (const auto *list = qobject_cast<const QStringListModel *>(model)) {
        QStringList texts = list->stringList();
        texts.detach();
        return texts;
    }
    QStringList texts;
    const int rows = model->rowCount();
    texts.reserve(rows);
    for (int row = 0; row < rows; ++row)
        texts.append(model->data(model->index(row, 0), Qt::DisplayRole).toString());
    return texts;
}

CommandCompleterModel::CommandCompleterModel(QAbstractItemModel *historyModel, QObject *parent)
    : QAbstractListModel(parent)
    , historySnapshot(displayTexts(historyModel))
    // A program named like a history entry is offered once, as the history row.
    , pathModel(
          new PathExecsModel(QSet<QString>(historySnapshot.cbegin(), historySnapshot.cend()), this))
{
    connect(pathModel, &QAbstractItemModel::layoutAboutToBeChanged, this,
        &CommandCompleterModel::slotLayoutAboutToBeChanged);
    connect(pathModel, &QAbstractItemModel::layoutChanged, this,
        &CommandCompleterModel::slotLayoutChanged);
    // Resetting through the begin/end pair also drops persistent indexes into the old rows.
    connect(pathModel, &QAbstractItemModel::modelAboutToBeReset, this,
        &CommandCompleterModel::beginResetModel);
    connect(
        pathModel, &QAbstractItemModel::modelReset, this, &CommandCompleterModel::endResetModel);
}

int CommandCompleterModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return historySnapshot.size() + pathModel->rowCount();
}

QVariant CommandCompleterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int row = index.row();
    if (row < historySnapshot.size()) {
        if (index.column() == 0 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return historySnapshot.at(row);
        return QVariant();
    }
    return pathModel->data(pathModel->index(row - historySnapshot.size(), index.column()), role);
}

bool CommandCompleterModel::isHistoryRow(const QModelIndex &index) const
{
    return index.isValid() && index.row() < historySnapshot.size();
}

void CommandCompleterModel::checkExecutables(const QString &prefix)
{
    pathModel->checkExecutables(prefix);
}

void CommandCompleterModel::slotLayoutAboutToBeChanged()
{
    Q_EMIT layoutAboutToBeChanged();
    // Persistent indexes of executables rows follow those rows through the
    // executables model's own persistent indexes.
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex &index : persistent) {
        if (index.row() < historySnapshot.size())
            continue;
        layoutIndexes.append(index);
        layoutSourceIndexes.append(
            pathModel->index(index.row() - historySnapshot.size(), index.column()));
    }
}

void CommandCompleterModel::slotLayoutChanged()
{
    QModelIndexList moved;
    moved.reserve(layoutSourceIndexes.size());
    for (const QPersistentModelIndex &source : qAsConst(layoutSourceIndexes))
        moved.append(source.isValid()
                ? index(source.row() + historySnapshot.size(), source.column())
                : QModelIndex());
    changePersistentIndexList(layoutIndexes, moved);
    layoutIndexes.clear();
    layoutSourceIndexes.clear();
    Q_EMIT layoutChanged();
}
