// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCOMPLETERMODEL_H
#define COMMANDCOMPLETERMODEL_H

#include <QAbstractListModel>
#include <QPersistentModelIndex>
#include <QStringList>

class PathExecsModel;

/**
 * The command field's candidates: a snapshot of the history, most recent
 * first, followed by the executables on the search path. With H history
 * entries, rows 0 to H-1 are the history and row H + r is executable row r.
 * The executables' layout changes (names found not executable leave) and resets
 * are passed on as this model's own, persistent indexes included.
 */
class CommandCompleterModel : public QAbstractListModel
{
    Q_OBJECT

public:
    /** Copies the display texts of @p historyModel's rows now; later changes to it are not
     * followed. */
    CommandCompleterModel(QAbstractItemModel *historyModel, QObject *parent);

    /** The history entries plus the executables' rows; 0 for a valid @p parent. */
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    /** A history row gives its text for the display and edit roles, an executables row its
     *  name or icon; an invalid QVariant for anything else, an invalid index included. */
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    /** True when @p index is valid and one of the history rows. */
    bool isHistoryRow(const QModelIndex &index) const;
    /** Lets the executables model screen the names starting with @p prefix. */
    void checkExecutables(const QString &prefix);

private Q_SLOTS:
    void slotLayoutAboutToBeChanged();
    void slotLayoutChanged();

private:
    QStringList historySnapshot;
    PathExecsModel *pathModel;
    // During a layout change of the executables: this model's persistent
    // indexes into their rows, and the executables' rows they stand for.
    QModelIndexList layoutIndexes;
    QList<QPersistentModelIndex> layoutSourceIndexes;
};

#endif
