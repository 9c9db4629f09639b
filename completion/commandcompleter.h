// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCOMPLETER_H
#define COMMANDCOMPLETER_H

#include <QCompleter>

class CommandCompleterModel;
class QKeyEvent;
class QLineEdit;

/**
 * The command field's completer: case-sensitive prefix matches from the
 * history, then from the executables on the search path. Before matching a
 * prefix other than the empty one it has the executables starting with it
 * tested, so non-executable files drop out; activating a history entry in the
 * list emits historyItemActivated().
 *
 * The list never stands between the user and the window: Return or Enter
 * with no row chosen in it goes to the window with the text as typed, and
 * keys that the field does not take, such as Alt+ mnemonics, close the list
 * and reach the window as if it had not been open.
 */
class CommandCompleter : public QCompleter
{
    Q_OBJECT

public:
    /** Completes from a snapshot of @p historyModel's texts (the history box's items) and the
     *  search path. The combined model it builds is its child. */
    CommandCompleter(QAbstractItemModel *historyModel, QObject *parent);

    QStringList splitPath(const QString &path) const override;

    /**
     * In inline completion mode, removes from @p edit the selected rest of
     * the text that the completer proposed, leaving what the user typed.
     * Nothing happens in other modes or when @p edit shows no proposal.
     */
    void dropInlineProposal(QLineEdit *edit) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    /** A history entry, @p text, was activated in the completion list. */
    void historyItemActivated(const QString &text);

private Q_SLOTS:
    void checkActivatedItem(const QModelIndex &idx);

private:
    /** Handles a key pressed while the list is shown; true when it was used up. */
    bool popupKeyPress(QObject *popupObject, QKeyEvent *key);
    /** Hides the list and sends @p key to the focused widget as if the list had never opened. */
    void passToWindow(const QKeyEvent *key);

    CommandCompleterModel *commandModel;
};

#endif
