// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompletermodel.h"

#include "applicationsmodel.h"
#include "pathcompletionmodel.h"
#include "pathexecsmodel.h"
#include "usagerecord.h"

#include <QDateTime>
#include <QSet>
#include <QStringListModel>

#include <algorithm>

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
    historyKeys.reserve(historySnapshot.size());
    for (const QString &entry : qAsConst(historySnapshot))
        historyKeys.append(MatchKey(entry));
    followResets(pathModel);
    followResets(applicationModel);
    followResets(fileModel);
    connect(applicationModel, &ApplicationsModel::indexLoaded, this,
        &CommandCompleterModel::lateRowsArrived);
    connect(fileModel, &PathCompletionModel::listingArrived, this,
        &CommandCompleterModel::lateRowsArrived);
}

void CommandCompleterModel::followResets(QAbstractItemModel *part)
{
    // A part that changes by itself (applications or a folder read, a
    // search-path folder changed) changes the ranking.
    connect(part, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (!settingParts)
            beginResetModel();
    });
    connect(part, &QAbstractItemModel::modelReset, this, [this] {
        if (settingParts)
            return;
        rank();
        endResetModel();
    });
}

void CommandCompleterModel::setUsageRecord(const QSharedPointer<const UsageRecord> &record)
{
    usage = record;
}

int CommandCompleterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows.size();
}

QVariant CommandCompleterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0 || index.row() >= rows.size())
        return QVariant();
    if (role == CompletionKeyRole)
        return typedText;
    if (role == Qt::AccessibleDescriptionRole)
        return rowDescription(index);
    const Row &row = rows.at(index.row());
    switch (row.kind) {
    case RowKind::History:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return historySnapshot.at(row.partRow);
        return QVariant();
    case RowKind::Application:
        return applicationModel->data(applicationModel->index(row.partRow), role);
    case RowKind::Program:
        return pathModel->data(pathModel->index(row.partRow), role);
    default:
        return fileModel->data(fileModel->index(row.partRow), role);
    }
}

QString CommandCompleterModel::rowDescription(const QModelIndex &index) const
{
    switch (rowKind(index)) {
    case RowKind::History:
        return tr("Command from the history");
    case RowKind::Application: {
        const QString comment = data(index, Qt::ToolTipRole).toString();
        return comment.isEmpty() ? tr("Application") : tr("Application: %1").arg(comment);
    }
    case RowKind::Program:
        return tr("Program");
    case RowKind::File:
        return tr("File");
    case RowKind::Folder:
        return tr("Folder");
    default:
        return QString();
    }
}

CommandCompleterModel::RowKind CommandCompleterModel::rowKind(const QModelIndex &index) const
{
    if (!index.isValid() || index.row() >= rows.size())
        return RowKind::None;
    const Row &row = rows.at(index.row());
    if (row.kind == RowKind::File && fileModel->isFolderRow(row.partRow))
        return RowKind::Folder;
    return row.kind;
}

void CommandCompleterModel::setTypedText(const QString &typed, bool forInlineCompletion)
{
    if (typed == typedText && forInlineCompletion == inlineOnly)
        return;
    beginResetModel();
    typedText = typed;
    inlineOnly = forInlineCompletion;
    settingParts = true;
    // Inline completion would put an application's id after a word of its name.
    applicationModel->setTypedText(forInlineCompletion ? QString() : typed);
    fileModel->setText(typed, typed.size());
    settingParts = false;
    rank();
    endResetModel();
}

void CommandCompleterModel::rank()
{
    rows.clear();
    // Nothing typed offers nothing: the combo box sets an empty prefix when no
    // entry is selected, and testing every program on the search path for it
    // froze the dialog.
    if (typedText.isEmpty())
        return;
    const QString typed = MatchKey::folded(typedText);
    // Inline completion puts the rest of a row's text after what was typed.
    const auto completesAsTyped = [this](const QString &text) {
        return !inlineOnly || text.startsWith(typedText);
    };
    // An application run before is offered once, as the application; older
    // versions kept its id in the history.
    QSet<QString> applicationNames;
    for (int application = 0; application < applicationModel->rowCount(); ++application) {
        const QModelIndex row = applicationModel->index(application);
        applicationNames.insert(row.data(Qt::EditRole).toString());
        applicationNames.insert(row.data(ApplicationsModel::EntryIdRole).toString());
    }
    for (int entry = 0; entry < historyKeys.size(); ++entry) {
        const MatchClass quality = historyKeys.at(entry).match(typed);
        if (quality != MatchClass::None && completesAsTyped(historySnapshot.at(entry))
            && !applicationNames.contains(historySnapshot.at(entry)))
            rows.append({ RowKind::History, quality, entry, 0 });
    }
    for (int application = 0; application < applicationModel->rowCount(); ++application)
        rows.append(
            { RowKind::Application, applicationModel->matchQuality(application), application, 0 });
    const QVector<Match> programs = pathModel->matchExecutables(typed);
    for (const Match &program : programs) {
        if (!inlineOnly || completesAsTyped(pathModel->index(program.position).data().toString()))
            rows.append({ RowKind::Program, program.quality, program.position, 0 });
    }
    for (int file = 0; file < fileModel->rowCount(); ++file)
        rows.append({ RowKind::File, MatchClass::Start, file, 0 });
    sortByRank();
}

void CommandCompleterModel::sortByRank()
{
    if (usage && !usage->isEmpty()) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        for (int row = 0; row < rows.size(); ++row) {
            const QModelIndex rowIndex = index(row);
            rows[row].score = usage->score(rowIndex.data(Qt::EditRole).toString(), now);
            // Applications were recorded under their ids before they ran by name.
            if (rows.at(row).kind == RowKind::Application)
                rows[row].score +=
                    usage->score(rowIndex.data(ApplicationsModel::EntryIdRole).toString(), now);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row &left, const Row &right) {
        if (left.quality != right.quality)
            return left.quality < right.quality;
        return left.score > right.score;
    });
}
