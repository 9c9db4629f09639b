// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompletermodel.h"

#include "applicationsmodel.h"
#include "pathcompletionmodel.h"
#include "pathexecsmodel.h"
#include "usagerecord.h"

#include <QDateTime>
#include <QIcon>
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
    , m_historySnapshot(displayTexts(historyModel))
    // A program named like a history entry is offered once, as the history row.
    , m_pathModel(new PathExecsModel(
          QSet<QString>(m_historySnapshot.cbegin(), m_historySnapshot.cend()), this))
    , m_applicationModel(new ApplicationsModel(this))
    , m_fileModel(new PathCompletionModel(this))
{
    m_historyKeys.reserve(m_historySnapshot.size());
    for (const QString &entry : qAsConst(m_historySnapshot))
        m_historyKeys.append(MatchKey(entry));
    followResets(m_pathModel);
    followResets(m_applicationModel);
    followResets(m_fileModel);
    connect(m_applicationModel, &ApplicationsModel::indexLoaded, this,
        &CommandCompleterModel::lateRowsArrived);
    connect(m_applicationModel, &ApplicationsModel::indexLoaded, this,
        &CommandCompleterModel::applicationsLoaded);
    connect(m_fileModel, &PathCompletionModel::listingArrived, this,
        &CommandCompleterModel::lateRowsArrived);
}

void CommandCompleterModel::followResets(QAbstractItemModel *part)
{
    // A part that changes by itself (applications or a folder read, a
    // search-path folder changed) changes the ranking.
    connect(part, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (!m_settingParts)
            beginResetModel();
    });
    connect(part, &QAbstractItemModel::modelReset, this, [this] {
        if (m_settingParts)
            return;
        rank();
        endResetModel();
    });
}

void CommandCompleterModel::setUsageRecord(const QSharedPointer<const UsageRecord> &record)
{
    m_usage = record;
}

int CommandCompleterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

QVariant CommandCompleterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() != 0 || index.row() >= m_rows.size())
        return QVariant();
    if (role == CompletionKeyRole)
        return m_typedText;
    if (role == Qt::AccessibleDescriptionRole)
        return rowDescription(index);
    const Row &row = m_rows.at(index.row());
    switch (row.kind) {
    case RowKind::History:
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            return m_historySnapshot.at(row.partRow);
        // The other rows show what they are; a command of the history was run before.
        if (role == Qt::DecorationRole)
            return QIcon::fromTheme(QStringLiteral("document-open-recent"));
        return QVariant();
    case RowKind::Application:
        return m_applicationModel->data(m_applicationModel->index(row.partRow), role);
    case RowKind::Program:
        return m_pathModel->data(m_pathModel->index(row.partRow), role);
    default:
        return m_fileModel->data(m_fileModel->index(row.partRow), role);
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
    if (!index.isValid() || index.row() >= m_rows.size())
        return RowKind::None;
    const Row &row = m_rows.at(index.row());
    if (row.kind == RowKind::File && m_fileModel->isFolderRow(row.partRow))
        return RowKind::Folder;
    return row.kind;
}

void CommandCompleterModel::setTypedText(const QString &typed, bool forInlineCompletion)
{
    if (typed == m_typedText && forInlineCompletion == m_inlineOnly)
        return;
    beginResetModel();
    m_typedText = typed;
    m_inlineOnly = forInlineCompletion;
    m_settingParts = true;
    // Inline completion would put an application's id after a word of its name.
    m_applicationModel->setTypedText(forInlineCompletion ? QString() : typed);
    m_fileModel->setText(typed, typed.size());
    m_settingParts = false;
    rank();
    endResetModel();
}

void CommandCompleterModel::setHistory(const QStringList &entries)
{
    beginResetModel();
    m_historySnapshot = entries;
    m_historyKeys.clear();
    for (const QString &entry : entries)
        m_historyKeys.append(MatchKey(entry));
    m_settingParts = true;
    m_pathModel->setExcludedNames(QSet<QString>(entries.cbegin(), entries.cend()));
    m_settingParts = false;
    rank();
    endResetModel();
}

QHash<QString, QString> CommandCompleterModel::applicationNames() const
{
    return m_applicationModel->namesByEntry();
}

void CommandCompleterModel::rank()
{
    m_rows.clear();
    // Nothing typed offers nothing: the combo box sets an empty prefix when no
    // entry is selected, and testing every program on the search path for it
    // froze the dialog.
    if (m_typedText.isEmpty())
        return;
    const QString typed = MatchKey::folded(m_typedText);
    // Inline completion puts the rest of a row's text after what was typed.
    const auto completesAsTyped = [this](const QString &text) {
        return !m_inlineOnly || text.startsWith(m_typedText);
    };
    // An application run before is offered once, as the application; older
    // versions kept its id in the history.
    QSet<QString> applicationNames;
    for (int application = 0; application < m_applicationModel->rowCount(); ++application) {
        const QModelIndex row = m_applicationModel->index(application);
        applicationNames.insert(row.data(Qt::EditRole).toString());
        applicationNames.insert(row.data(ApplicationsModel::EntryIdRole).toString());
    }
    for (int entry = 0; entry < m_historyKeys.size(); ++entry) {
        const MatchClass quality = m_historyKeys.at(entry).match(typed);
        if (quality != MatchClass::None && completesAsTyped(m_historySnapshot.at(entry))
            && !applicationNames.contains(m_historySnapshot.at(entry)))
            m_rows.append({ RowKind::History, quality, entry, 0 });
    }
    for (int application = 0; application < m_applicationModel->rowCount(); ++application)
        m_rows.append({ RowKind::Application, m_applicationModel->matchQuality(application),
            application, 0 });
    const QVector<Match> programs = m_pathModel->matchExecutables(typed);
    for (const Match &program : programs) {
        if (!m_inlineOnly
            || completesAsTyped(m_pathModel->index(program.position).data().toString()))
            m_rows.append({ RowKind::Program, program.quality, program.position, 0 });
    }
    for (int file = 0; file < m_fileModel->rowCount(); ++file)
        m_rows.append({ RowKind::File, MatchClass::Start, file, 0 });
    sortByRank();
}

void CommandCompleterModel::sortByRank()
{
    if (m_usage && !m_usage->isEmpty()) {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        for (int row = 0; row < m_rows.size(); ++row) {
            const QModelIndex rowIndex = index(row);
            m_rows[row].score = m_usage->score(rowIndex.data(Qt::EditRole).toString(), now);
            // Applications were recorded under their ids before they ran by name.
            if (m_rows.at(row).kind == RowKind::Application)
                m_rows[row].score +=
                    m_usage->score(rowIndex.data(ApplicationsModel::EntryIdRole).toString(), now);
        }
    }
    std::stable_sort(m_rows.begin(), m_rows.end(), [](const Row &left, const Row &right) {
        if (left.quality != right.quality)
            return left.quality < right.quality;
        return left.score > right.score;
    });
}
