// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCOMPLETER_H
#define COMMANDCOMPLETER_H

#include <QCompleter>
#include <QPointer>

class CommandCompleterModel;
class QKeyEvent;
class QLineEdit;

/**
 * The command field's completer: case-sensitive prefix matches from the
 * history, the installed applications a word of whose name starts with the
 * typed text, the executables on the search path, and the files and folders
 * that complete a path being typed. Before matching a prefix it has the
 * executables starting with it tested, so non-executable files drop out.
 * Activating a history entry in the list emits historyItemActivated(), an
 * application applicationActivated(); a folder opens the list of its
 * contents. Rows that arrive after their key press (applications and folders
 * are read in the background) open the list as if they had been there.
 *
 * The list never stands between the user and the window: Return or Enter
 * with no row chosen in it goes to the window with the text the field shows, and
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
    /** What a row puts into the field: an application's id, a completed path, a row's text. */
    QString pathFromIndex(const QModelIndex &index) const override;

    /**
     * Opens the list below @p anchor, a widget under the field, instead of
     * right under the field, so that @p anchor stays in view; a list that
     * opens above the field stays there. nullptr: right under the field.
     */
    void setPopupAnchor(QWidget *anchor);

    /**
     * In inline completion mode, makes the rest of the text that the
     * completer proposed in @p edit part of the text: it is no longer
     * selected. Nothing happens in other modes or when @p edit shows no proposal.
     */
    void acceptInlineProposal(QLineEdit *edit) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    /** A history entry, @p text, was activated in the completion list. */
    void historyItemActivated(const QString &text);
    /** An application was activated in the completion list; @p id is now in the field. */
    void applicationActivated(const QString &id);

private Q_SLOTS:
    void checkActivatedItem(const QModelIndex &idx);
    void slotLateRowsArrived();
    /** Matches the field's text and opens the list for it. */
    void completeFieldText();

private:
    /** Handles a key pressed while the list is shown; true when it was used up. */
    bool popupKeyPress(QObject *popupObject, QKeyEvent *key);
    /** Hides the list and sends @p key to the focused widget as if the list had never opened. */
    void passToWindow(const QKeyEvent *key);
    /** Moves the list below the anchor when it would cover it. */
    void keepAnchorInView();
    const QLineEdit *fieldLineEdit() const;

    CommandCompleterModel *commandModel;
    QPointer<QWidget> popupAnchor;
};

#endif
