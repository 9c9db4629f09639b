// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HISTORYBOX_H
#define HISTORYBOX_H

#include <QComboBox>
#include <QPointer>

class HistoryModel;

/**
 * The command field: an editable combo box whose list is the command history,
 * most recent on top, and whose line edit completes from that history, the
 * installed applications, the executables on the search path and the files of
 * a path being typed (CommandCompleter). A history entry or an application
 * chosen in the completion list runs at once. The entries are kept as one string
 * list, so that a history of 100 000 commands loads, grows and is handed out
 * without a copy per entry.
 */
class HistoryBox : public QComboBox
{
    Q_OBJECT

public:
    explicit HistoryBox(QWidget *parent = nullptr);

    /** Replaces the history by @p items (first on top) and installs a new completer.
     *  The field keeps its text, selection and modified flag. */
    void setHistoryItems(const QStringList &items);
    /** Puts @p command on top, removing an equal entry further down. */
    void addToHistory(const QString &command);
    /** The history from top to bottom. */
    QStringList historyItems() const;
    /** Opens the completion list below @p anchor (CommandCompleter::setPopupAnchor()). */
    void setCompletionAnchor(QWidget *anchor);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private Q_SLOTS:
    void slotItemActivated();

private:
    HistoryModel *historyModel;
    QPointer<QWidget> completionAnchor;
};

#endif
