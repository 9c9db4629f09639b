// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompleter.h"

#include "commandcompletermodel.h"

#include <QAbstractProxyModel>
#include <QListView>

CommandCompleter::CommandCompleter(QAbstractItemModel *historyModel, QObject *parent)
    : QCompleter(parent)
    , commandModel(new CommandCompleterModel(historyModel, this))
{
    setModel(commandModel);
    setCaseSensitivity(Qt::CaseSensitive);
    // Every row is one line high. Otherwise the list measures each of its
    // rows, which for the first letter typed can be thousands, per key press.
    if (auto *list = qobject_cast<QListView *>(popup()))
        list->setUniformItemSizes(true);
    connect(this, QOverload<const QModelIndex &>::of(&QCompleter::activated), this,
        &CommandCompleter::checkActivatedItem);
}

QStringList CommandCompleter::splitPath(const QString &path) const
{
    // Called whenever the prefix changes, so the candidates are screened before
    // matching. An empty prefix is nothing typed: the combo box sets it when no
    // entry is selected (as when the history is replaced), and no list shows
    // then; testing every program on the search path for it froze the dialog.
    if (!path.isEmpty())
        commandModel->checkExecutables(path);
    return QCompleter::splitPath(path);
}

void CommandCompleter::checkActivatedItem(const QModelIndex &idx)
{
    // The index is one of the list of matches, a proxy over the combined model.
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(completionModel());
    if (!matches)
        return;
    const QModelIndex source = matches->mapToSource(idx);
    if (commandModel->isHistoryRow(source))
        Q_EMIT historyItemActivated(commandModel->data(source, Qt::DisplayRole).toString());
}
