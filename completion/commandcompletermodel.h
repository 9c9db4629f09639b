// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCOMPLETERMODEL_H
#define COMMANDCOMPLETERMODEL_H

#include <QAbstractListModel>
#include <QPersistentModelIndex>
#include <QStringList>

class ApplicationsModel;
class PathCompletionModel;
class PathExecsModel;

/**
 * The command field's candidates: a snapshot of the history, most recent
 * first, then the installed applications that match the typed text, then the
 * executables on the search path, then the files and folders that complete a
 * path being typed. With H history entries and A applications, rows 0 to H-1
 * are the history, rows H to H+A-1 the applications, row H + A + r is
 * executable row r, and the files follow the executables.
 * The executables' layout changes (names found not executable leave) and
 * every part's resets are passed on as this model's own, persistent indexes
 * included.
 *
 * The applications and files match the typed text in their own ways (a word
 * of a name, a name in a folder): their completion key (CompletionKeyRole) is
 * the typed text itself, so that a completer that matches keys by prefix
 * keeps them; the edit role holds what they complete the field with.
 */
class CommandCompleterModel : public QAbstractListModel
{
    Q_OBJECT

public:
    /** The text a completer matches; the display text for history and executables rows. */
    static constexpr int CompletionKeyRole = Qt::UserRole + 1;

    /** Copies the display texts of @p historyModel's rows now; later changes to it are not
     * followed. */
    CommandCompleterModel(QAbstractItemModel *historyModel, QObject *parent);

    /** The rows of all parts; 0 for a valid @p parent. */
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    /** A history row gives its text for the display and edit roles, other rows their
     *  part's data; an invalid QVariant for anything else, an invalid index included. */
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    /** True when @p index is valid and one of the history rows. */
    bool isHistoryRow(const QModelIndex &index) const;
    /** True when @p index is valid and one of the applications rows. */
    bool isApplicationRow(const QModelIndex &index) const;
    /** True when @p index is valid and a folder among the files rows. */
    bool isFolderRow(const QModelIndex &index) const;
    /**
     * Makes the applications and files rows those that complete @p typed,
     * leaving out the applications when @p withApplications is false, and
     * screens the executables starting with it.
     */
    void setTypedText(const QString &typed, bool withApplications);

Q_SIGNALS:
    /** Rows for the typed text arrived later than it: the applications or a folder were read. */
    void lateRowsArrived();

private Q_SLOTS:
    void slotLayoutAboutToBeChanged();
    void slotLayoutChanged();

private:
    int executablesStart() const;
    int filesStart() const;
    void forwardResets(QAbstractItemModel *part);

    QStringList historySnapshot;
    PathExecsModel *pathModel;
    ApplicationsModel *applicationModel;
    PathCompletionModel *fileModel;
    QString typedText;
    // During a layout change of the executables: this model's persistent
    // indexes into their rows and the files after them, the executables'
    // rows they stand for, and the files' rows.
    QModelIndexList layoutIndexes;
    QList<QPersistentModelIndex> layoutSourceIndexes;
    QModelIndexList layoutFileIndexes;
    QVector<int> layoutFileRows;
};

#endif
