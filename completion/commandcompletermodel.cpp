// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompletermodel.h"

#include "applicationsmodel.h"
#include "pathcompletionmodel.h"
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
    , applicationModel(new ApplicationsModel(this))
    , fileModel(new PathCompletionModel(this))
{
    connect(pathModel, &QAbstractItemModel::layoutAboutToBeChanged, this,
        &CommandCompleterModel::slotLayoutAboutToBeChanged);
    connect(pathModel, &QAbstractItemModel::layoutChanged, this,
        &CommandCompleterModel::slotLayoutChanged);
    forwardResets(pathModel);
    forwardResets(applicationModel);
    forwardResets(fileModel);
    connect(fileModel, &QAbstractItemModel::dataChanged, this,
        [this](const QModelIndex &first, const QModelIndex &last, const QVector<int> &roles) {
            Q_EMIT dataChanged(
                index(filesStart() + first.row()), index(filesStart() + last.row()), roles);
        });
    connect(applicationModel, &ApplicationsModel::indexLoaded, this,
        &CommandCompleterModel::lateRowsArrived);
    connect(fileModel, &PathCompletionModel::listingArrived, this,
        &CommandCompleterModel::lateRowsArrived);
}

void CommandCompleterModel::forwardResets(QAbstractItemModel *part)
{
    // Resetting through the begin/end pair also drops persistent indexes into the old rows.
    connect(part, &QAbstractItemModel::modelAboutToBeReset, this,
        &CommandCompleterModel::beginResetModel);
    connect(part, &QAbstractItemModel::modelReset, this, &CommandCompleterModel::endResetModel);
}

int CommandCompleterModel::executablesStart() const
{
    return historySnapshot.size() + applicationModel->rowCount();
}

int CommandCompleterModel::filesStart() const
{
    return executablesStart() + pathModel->rowCount();
}

int CommandCompleterModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return filesStart() + fileModel->rowCount();
}

QVariant CommandCompleterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0)
        return QVariant();
    const int row = index.row();
    if (row < historySnapshot.size()) {
        if (role == Qt::DisplayRole || role == Qt::EditRole || role == CompletionKeyRole)
            return historySnapshot.at(row);
        return QVariant();
    }
    if (row < executablesStart()) {
        if (role == CompletionKeyRole)
            return typedText;
        return applicationModel->data(applicationModel->index(row - historySnapshot.size()), role);
    }
    if (row >= filesStart()) {
        if (role == CompletionKeyRole)
            return typedText;
        return fileModel->data(fileModel->index(row - filesStart()), role);
    }
    const QModelIndex executable = pathModel->index(row - executablesStart());
    return pathModel->data(executable, role == CompletionKeyRole ? Qt::EditRole : role);
}

bool CommandCompleterModel::isHistoryRow(const QModelIndex &index) const
{
    return index.isValid() && index.row() < historySnapshot.size();
}

bool CommandCompleterModel::isApplicationRow(const QModelIndex &index) const
{
    return index.isValid() && index.row() >= historySnapshot.size()
        && index.row() < executablesStart();
}

bool CommandCompleterModel::isFolderRow(const QModelIndex &index) const
{
    const int fileRow = index.row() - filesStart();
    return index.isValid() && fileRow >= 0 && fileModel->isFolderRow(fileRow);
}

void CommandCompleterModel::setTypedText(const QString &typed, bool withApplications)
{
    typedText = typed;
    // An empty prefix is nothing typed: the combo box sets it when no entry is
    // selected (as when the history is replaced), and no list shows then;
    // testing every program on the search path for it froze the dialog.
    if (!typed.isEmpty())
        pathModel->checkExecutables(typed);
    applicationModel->setTypedText(withApplications ? typed : QString());
    fileModel->setText(typed, typed.size());
}

void CommandCompleterModel::slotLayoutAboutToBeChanged()
{
    Q_EMIT layoutAboutToBeChanged();
    // Persistent indexes of executables rows follow those rows through the
    // executables model's own persistent indexes; the files keep their rows
    // after the executables.
    const int executables = executablesStart();
    const int files = filesStart();
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex &index : persistent) {
        if (index.row() >= files) {
            layoutFileIndexes.append(index);
            layoutFileRows.append(index.row() - files);
        } else if (index.row() >= executables) {
            layoutIndexes.append(index);
            layoutSourceIndexes.append(pathModel->index(index.row() - executables));
        }
    }
}

void CommandCompleterModel::slotLayoutChanged()
{
    QModelIndexList moved;
    moved.reserve(layoutSourceIndexes.size());
    for (const QPersistentModelIndex &source : qAsConst(layoutSourceIndexes))
        moved.append(source.isValid() ? index(source.row() + executablesStart()) : QModelIndex());
    changePersistentIndexList(layoutIndexes, moved);
    QModelIndexList movedFiles;
    movedFiles.reserve(layoutFileRows.size());
    for (int fileRow : qAsConst(layoutFileRows))
        movedFiles.append(index(filesStart() + fileRow));
    changePersistentIndexList(layoutFileIndexes, movedFiles);
    layoutIndexes.clear();
    layoutSourceIndexes.clear();
    layoutFileIndexes.clear();
    layoutFileRows.clear();
    Q_EMIT layoutChanged();
}
