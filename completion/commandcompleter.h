// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCOMPLETER_H
#define COMMANDCOMPLETER_H

#include <QCompleter>

class CommandCompleterModel;

/**
 * The command field's completer: case-sensitive prefix matches from the
 * history, then from the executables on the search path. Before matching a
 * prefix other than the empty one it has the executables starting with it
 * tested, so non-executable files drop out; activating a history entry in the
 * list emits historyItemActivated().
 */
class CommandCompleter : public QCompleter
{
    Q_OBJECT

public:
    /** Completes from a snapshot of @p historyModel's texts (the history box's items) and the
     *  search path. The combined model it builds is its child. */
    CommandCompleter(QAbstractItemModel *historyModel, QObject *parent);

    QStringList splitPath(const QString &path) const override;

Q_SIGNALS:
    /** A history entry, @p text, was activated in the completion list. */
    void historyItemActivated(const QString &text);

private Q_SLOTS:
    void checkActivatedItem(const QModelIndex &idx);

private:
    CommandCompleterModel *commandModel;
};

#endif
