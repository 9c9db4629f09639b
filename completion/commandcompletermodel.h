// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCOMPLETERMODEL_H
#define COMMANDCOMPLETERMODEL_H

#include "desktop/matchkey.h"

#include <QAbstractListModel>
#include <QSharedPointer>
#include <QStringList>

class ApplicationsModel;
class PathCompletionModel;
class PathExecsModel;
class UsageRecord;

/**
 * The command field's candidates for the typed text, as one ranked list:
 * the entries of a snapshot of the history, the installed applications, the
 * executables on the search path and the files and folders that complete a
 * path being typed, those that match it best first (MatchClass), and within
 * a match class those the user ran most often and most recently first
 * (UsageRecord). Rows that rank equal keep this order of kinds, the history
 * most recent first, the others in their own order. A history entry that is
 * an offered application's name or id is left to the application's row.
 *
 * Every row's completion key (CompletionKeyRole) is the typed text itself,
 * so that a completer that matches keys by prefix keeps them all; the edit
 * role holds what a row completes the field with, and a row's use is
 * recorded under that text (an application's also under its id, as it was
 * before). Any change of the rows is announced as a reset.
 */
class CommandCompleterModel : public QAbstractListModel
{
    Q_OBJECT

public:
    /** The text a completer matches: the typed text, for every row. */
    static constexpr int CompletionKeyRole = Qt::UserRole + 1;

    /** What a row offers. */
    enum class RowKind { None, History, Application, Program, File, Folder };
    Q_ENUM(RowKind)

    /** Copies the display texts of @p historyModel's rows now; later changes to it are not
     * followed. */
    CommandCompleterModel(QAbstractItemModel *historyModel, QObject *parent);

    /** Ranks rows that match equally well by @p usage from the next typed text on. */
    void setUsageRecord(const QSharedPointer<const UsageRecord> &usage);

    /** The rows for the typed text; 0 for a valid @p parent. */
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    /** A history row gives its text for the display and edit roles and the recent
     *  documents' icon, other rows their part's data; every row says what it offers
     *  to screen readers (Qt::AccessibleDescriptionRole: its kind, an application's
     *  comment too); an invalid QVariant for anything else, an invalid index included. */
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    /** What the row of @p index offers; RowKind::None for an index that is no row. */
    RowKind rowKind(const QModelIndex &index) const;

    /**
     * Makes the rows those that complete @p typed (none when it is empty),
     * and screens the executables it matches. For inline completion only the
     * rows whose text starts with @p typed as typed are offered, and no applications.
     */
    void setTypedText(const QString &typed, bool forInlineCompletion);

    /** Offers @p entries as the history from now on, instead of the snapshot;
     *  programs named like an entry are offered as that entry only. */
    void setHistory(const QStringList &entries);
    /** The installed applications' names by their desktop-file ids; empty until they are read. */
    QHash<QString, QString> applicationNames() const;

Q_SIGNALS:
    /** Rows for the typed text arrived later than it: the applications or a folder were read. */
    void lateRowsArrived();
    /** The installed applications have been read (applicationNames()). */
    void applicationsLoaded();

private:
    struct Row
    {
        RowKind kind;
        MatchClass quality;
        int partRow;
        double score;
    };

    /** What the row of @p index offers, for screen readers: "Program", "Application: <comment>". */
    QString rowDescription(const QModelIndex &index) const;
    void followResets(QAbstractItemModel *part);
    void rank();
    void sortByRank();

    QStringList m_historySnapshot;
    QVector<MatchKey> m_historyKeys;
    PathExecsModel *m_pathModel;
    ApplicationsModel *m_applicationModel;
    PathCompletionModel *m_fileModel;
    QSharedPointer<const UsageRecord> m_usage;
    QString m_typedText;
    bool m_inlineOnly = false;
    // While the typed text is handed to the parts, whose resets are this model's own.
    bool m_settingParts = false;
    QVector<Row> m_rows;
};

#endif
