// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HISTORYBOX_H
#define HISTORYBOX_H

#include <QComboBox>
#include <QFuture>
#include <QHash>
#include <QPointer>
#include <QSharedPointer>

class CommandCompleter;
class HistoryModel;
class UsageRecord;

/**
 * The command field: an editable combo box whose list is the command history,
 * most recent on top, and whose line edit completes from that history, the
 * installed applications, the executables on the search path and the files of
 * a path being typed (CommandCompleter), ranked by how well they match and by
 * the record of what the user ran (UsageRecord), which the box keeps. A
 * history entry or an application chosen in the completion list runs at once.
 * Up in the empty field recalls the most recent entry, and Up and Down then
 * step back and forth through the history, as in a shell.
 *
 * An application chosen in the list shows as its Name, and the box remembers
 * which desktop entry that text stands for (chosenEntry()): in the history
 * too, so that the entry runs again when the text is recalled or chosen
 * there. A text the user types, even one equal to such a name, stands for
 * nothing but itself.
 * The entries are kept as one string list, so that a history of 100 000
 * commands loads, grows and is handed out without a copy per entry.
 */
class HistoryBox : public QComboBox
{
    Q_OBJECT

public:
    explicit HistoryBox(QWidget *parent = nullptr);

    /** Replaces the history by @p items (first on top) and installs a new completer,
     *  which ranks by the usage record once it has been read, on a background
     *  thread. The field keeps its text, selection and modified flag.
     *  @p entries maps items that stand for an application to its desktop-file id. */
    void setHistoryItems(const QStringList &items, const QHash<QString, QString> &entries = {});
    /**
     * The first half of setHistoryItems(): replaces the history by @p items
     * and @p entries, which the box's list shows at once, and keeps the
     * completer. Cheap even for a long history, so that a window's first
     * frame can show it; entries added at the end of the history it holds
     * leave the field as it was drawn.
     */
    void replaceItems(const QStringList &items, const QHash<QString, QString> &entries = {});
    /**
     * The second half of setHistoryItems(): reads the usage record and
     * installs a new completer on the history as it is now. Draws nothing.
     */
    void installCompleter();
    /** Puts @p command on top, removing an equal entry further down and one equal to
     *  @p replaced, the text it was run as; @p entryId is the application it stands
     *  for, empty for none. */
    void addToHistory(const QString &command, const QString &entryId = QString(),
        const QString &replaced = QString());
    /** Puts the history's entry of @p row into the field as Up recalls it. */
    void recallHistoryEntry(int row);
    /** The history's items that stand for an application, with its desktop-file id. */
    const QHash<QString, QString> &historyEntries() const { return m_entryIds; }

    /**
     * Puts @p name into the field as the application of the desktop entry
     * @p id (without ".desktop"), as choosing it in the list does.
     */
    void chooseApplication(const QString &name, const QString &id);
    /**
     * The desktop-file id of the application that the field's text was
     * chosen as: the text is its name, maybe followed by a blank and words
     * typed after it. Empty when the text was typed or put in otherwise.
     */
    QString chosenEntry() const;
    /** The record of what the user ran, which ranks the completion list. */
    QSharedPointer<const UsageRecord> usageRecord() const { return m_usage; }
    /**
     * Counts a run of @p command in the usage record and writes the record.
     * A row chosen in the completion list runs as the text it puts into the
     * field, so an application counts under its name.
     *
     * A record still being read is waited for a moment; one that does not
     * come in time is left as it is.
     *
     * @return false when the record could not be written; @p error then names
     *         the file and says why
     */
    bool noteRun(const QString &command, QString *error = nullptr);
    /** The history from top to bottom. */
    QStringList historyItems() const;
    /** Opens the completion list below @p anchor (CommandCompleter::setPopupAnchor()). */
    void setCompletionAnchor(QWidget *anchor);

public Q_SLOTS:
    /** Empties the history, what the completion list offers of it and the usage record. */
    void clearHistory();

Q_SIGNALS:
    /** The history and the usage record have been emptied. */
    void historyCleared();
    /** Entries that named an application by its desktop-file id name it by its Name now. */
    void applicationsNamed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private Q_SLOTS:
    void slotItemActivated();
    /** Asks before clearHistory(); "Clear history" in the context menu. */
    void askToClearHistory();
    void slotHistoryItemActivated(const QString &text);
    void slotApplicationActivated(const QString &name, const QString &id);
    void slotTextEdited(const QString &text);

private:
    /** Remembers that the field's @p text stands for the entry @p id; none when empty. */
    void rememberChoice(const QString &text, const QString &id);

    /** Names by their Name the applications that entries of the history name by
     *  their ids, which @p commandCompleter has read. */
    void nameApplications(CommandCompleter *commandCompleter);
    /** Up (@p older) or Down in an empty field or on a recalled entry; false for other texts. */
    bool recallHistory(bool older);
    /** Adds @p items below the history's entries, which stay as they are drawn. */
    void appendItems(const QStringList &items);
    /** Reads the usage record on a background thread unless it is read or being read;
     *  the completer gets it when it is read. */
    void loadUsageRecord();
    /** Takes the record that loadUsageRecord() read, unless there is one already. */
    void takeUsageRecord();

    HistoryModel *m_historyModel;
    QHash<QString, QString> m_entryIds;
    // The text that was chosen as an application, and the application's entry.
    QString m_chosenText;
    QString m_chosenId;
    /** Null until the record has been read. */
    QSharedPointer<UsageRecord> m_usage;
    QFuture<QSharedPointer<UsageRecord>> m_usageLoad;
    QPointer<QWidget> m_completionAnchor;
};

#endif
