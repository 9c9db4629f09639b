// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompleter.h"

#include "commandcompletermodel.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>

static bool isEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// The keys that move through, take from or close the list.
static bool isListKey(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

CommandCompleter::CommandCompleter(QAbstractItemModel *historyModel, QObject *parent)
    : QCompleter(parent)
    , commandModel(new CommandCompleterModel(historyModel, this))
{
    setModel(commandModel);
    setCaseSensitivity(Qt::CaseSensitive);
    connect(this, QOverload<const QModelIndex &>::of(&QCompleter::activated), this,
        &CommandCompleter::checkActivatedItem);
}

QStringList CommandCompleter::splitPath(const QString &path) const
{
    // Called whenever the prefix changes, so the candidates are screened before
    // matching. An empty prefix is nothing typed: the combo box sets it when no
    // entry is selected (as when the history is replaced), and no list shows
    // then; testing every program on the search path for it froze the dialog.
    if (!path.isEmpty())
        commandModel->checkExecutables(path);
    // The list is made here, before it first shows, and only in a list mode: a
    // list made before inline completion is chosen stops the field completing.
    // Every row is one line high. Otherwise the list measures each of its
    // rows, which for the first letter typed can be thousands, per key press.
    if (completionMode() != InlineCompletion) {
        if (auto *list = qobject_cast<QListView *>(popup()))
            list->setUniformItemSizes(true);
    }
    return QCompleter::splitPath(path);
}

bool CommandCompleter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && completionMode() != InlineCompletion
        && watched == popup() && popup()->isVisible())
        return popupKeyPress(watched, static_cast<QKeyEvent *>(event));
    return QCompleter::eventFilter(watched, event);
}

bool CommandCompleter::popupKeyPress(QObject *popupObject, QKeyEvent *key)
{
    // Only a row chosen with the arrow keys is taken; the row that unfiltered
    // completion marks by itself is no choice.
    if (isEnter(key) && !popup()->selectionModel()->hasSelection()) {
        passToWindow(key);
        return true;
    }
    // Without the list, what the field does not take would reach the window.
    const bool usedUp = QCompleter::eventFilter(popupObject, key);
    if (usedUp && !key->isAccepted() && !isListKey(key) && popup()->isVisible())
        passToWindow(key);
    return usedUp;
}

void CommandCompleter::dropInlineProposal(QLineEdit *edit) const
{
    if (completionMode() != InlineCompletion)
        return;
    const int proposalStart = edit->selectionStart();
    const bool showsProposal = edit->hasSelectedText()
        && proposalStart + edit->selectedText().length() == edit->text().length()
        && edit->text() == currentCompletion()
        && edit->text().left(proposalStart) == completionPrefix();
    if (showsProposal)
        edit->del();
}

void CommandCompleter::passToWindow(const QKeyEvent *key)
{
    popup()->hide();
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : widget();
    if (!target)
        return;
    // Sent, not posted, like the key itself: a key typed right after it must come later.
    // A key that is not spontaneous is offered to the window's shortcuts first.
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
        key->nativeVirtualKey(), key->nativeModifiers(), key->text(), key->isAutoRepeat(),
        key->count());
    QCoreApplication::sendEvent(target, &copy);
}

void CommandCompleter::checkActivatedItem(const QModelIndex &idx)
{
    // The index is one of the list of matches, a proxy over the combined model.
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(completionModel());
    if (!matches)
        return;
    const QModelIndex source = matches->mapToSource(idx);
    if (commandModel->isHistoryRow(source))
        Q_EMIT historyItemActivated(commandModel->data(source, Qt::DisplayRole).toString());
}
