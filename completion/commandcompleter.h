// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDCOMPLETER_H
#define COMMANDCOMPLETER_H

#include "commandcompletermodel.h"

#include <QCompleter>
#include <QPointer>

class QKeyEvent;
class QLineEdit;

/** A row of the completion list as the user sees it. */
struct CompletionRow
{
    /** RowKind::None: there is no such row. */
    CommandCompleterModel::RowKind kind = CommandCompleterModel::RowKind::None;
    /** What the row shows: an application's Name, a file's name, else the text. */
    QString name;
    /** What choosing the row puts into the field: a history entry, an
     *  application's Name, a program's name, the text with a path completed. */
    QString text;

    /** What choosing a row does, in the list, with Enter or with Run alike. */
    enum class Choice {
        /** There is no row. */
        None,
        /** A history entry or an application runs as chosen. */
        RunsItself,
        /** A program or a file completes the field, which runs next. */
        CompletesField,
        /** A folder: what is in it is the next choice. */
        ShowsFolder,
    };
    /** What choosing a row of @p kind does. */
    static Choice choiceFor(CommandCompleterModel::RowKind kind);
};

/**
 * The command field's completer: the history entries, installed
 * applications, executables on the search path, and files and folders of a
 * path being typed that match the typed text, in one list ranked by how well
 * they match and how often and recently the user ran them
 * (CommandCompleterModel). The executables it matches are tested first, so
 * non-executable files drop out. Activating a history entry in the list
 * emits historyItemActivated(), an application applicationActivated(); a
 * folder opens the list of its contents. Rows that arrive after their key
 * press (applications and folders are read in the background) open the list
 * as if they had been there.
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

    /** Ranks rows that match equally well by @p usage (CommandCompleterModel). */
    void setUsageRecord(const QSharedPointer<const UsageRecord> &usage);
    /** Offers @p entries as the history from now on: the history box changed. */
    void setHistory(const QStringList &entries);
    /** The installed applications' names by their desktop-file ids; empty until they are read. */
    QHash<QString, QString> applicationNames() const;

    QStringList splitPath(const QString &path) const override;
    /** What a row puts into the field: an application's Name, a completed path, a row's text. */
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

    /**
     * The first row that the open list offers for the field's text, also
     * while the list hands a key to the window (Enter, for one).
     *
     * @return the row, or one of kind RowKind::None when the list is not
     *         open, has no rows, shows a row chosen with the arrow keys, or
     *         completion is inline
     */
    CompletionRow firstRow() const;

    /**
     * While @p on, the open list shows its first row highlighted as the
     * default, leaving the field's text and the key handling as they are: an
     * Enter not taken by a row the user chose still goes to the window. The
     * arrow keys move on from it. Another typed text ends it; rows that
     * arrive later for the same text keep it.
     */
    void setFirstRowDefault(bool on);

    /**
     * Chooses firstRow() exactly as Down and Enter in the list do: the field
     * takes its text, the list closes, and a history entry emits
     * historyItemActivated(), an application applicationActivated() (the
     * history box then runs them with a posted Enter); a program or a file
     * only completes the field, and a folder opens its contents.
     *
     * @return false, doing nothing, when firstRow() is of kind RowKind::None
     */
    bool activateFirstRow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

Q_SIGNALS:
    /** A history entry, @p text, was activated in the completion list. */
    void historyItemActivated(const QString &text);
    /**
     * An application was activated in the completion list: its @p name is now
     * in the field, standing for the desktop entry @p id (without ".desktop").
     */
    void applicationActivated(const QString &name, const QString &id);
    /**
     * A row was highlighted with the arrow keys, which put its text into the
     * field: a history entry, @p entryId empty, or an application, its name
     * standing for the desktop entry @p entryId.
     */
    void rowHighlighted(const QString &text, const QString &entryId, bool isHistory);
    /** firstRow() changed: other rows match, or the list opened or closed. */
    void firstRowChanged();
    /** The installed applications have been read (applicationNames()). */
    void applicationsLoaded();

private Q_SLOTS:
    void checkActivatedItem(const QModelIndex &idx);
    void checkHighlightedItem(const QModelIndex &idx);
    void slotLateRowsArrived();
    void slotMatchesChanged();
    /** Matches the field's text and opens the list for it. */
    void completeFieldText();

private:
    /** Handles a key pressed while the list is shown; true when it was used up. */
    bool popupKeyPress(QObject *popupObject, QKeyEvent *key);
    /** Hides the list and sends @p key to the focused widget as if the list had never opened. */
    void passToWindow(const QKeyEvent *key);
    /** Moves the list below the anchor when it would cover it. */
    void keepAnchorInView();
    /** Makes the list's window a popup of the field's window (see the definition). */
    void attachPopupToField();
    /** Highlights the first row unless the user chose a row. */
    void showDefaultRow();
    /** Emits firstRowChanged() when firstRow() is another than last time. */
    void noteFirstRow();
    const QLineEdit *fieldLineEdit() const;

    CommandCompleterModel *m_commandModel;
    QPointer<QWidget> m_popupAnchor;
    // The text matched was typed, or is a folder chosen: rows that come late open the list.
    bool m_listWanted = false;
    bool m_defaultWanted = false;
    // The highlighted row is the default, not a row the user chose.
    bool m_defaultShown = false;
    // A key pressed in the open list is on its way to the window.
    bool m_handingKeyToWindow = false;
    QString m_matchedPrefix;
    CompletionRow m_lastFirstRow;
};

#endif
