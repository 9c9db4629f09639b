// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompleter.h"

#include "commandcompletermodel.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

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
    setCompletionRole(CommandCompleterModel::CompletionKeyRole);
    setCaseSensitivity(Qt::CaseSensitive);
    connect(this, QOverload<const QModelIndex &>::of(&QCompleter::activated), this,
        &CommandCompleter::checkActivatedItem);
    connect(commandModel, &CommandCompleterModel::lateRowsArrived, this,
        &CommandCompleter::slotLateRowsArrived);
}

QStringList CommandCompleter::splitPath(const QString &path) const
{
    // Called whenever the prefix changes, so the candidates are screened and
    // found before matching. Inline completion would put an application's id
    // after a word of its name.
    commandModel->setTypedText(path, completionMode() != InlineCompletion);
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

QString CommandCompleter::pathFromIndex(const QModelIndex &index) const
{
    return index.data(Qt::EditRole).toString();
}

bool CommandCompleter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // Of the list's own events, key presses and moves are handled here. The
    // type comes first: popup() makes the list, which sends events of other
    // types here, and in inline mode a list stops the field completing.
    if ((type != QEvent::KeyPress && type != QEvent::Move && type != QEvent::Show)
        || completionMode() == InlineCompletion || watched == widget() || watched != popup())
        return QCompleter::eventFilter(watched, event);
    if (type != QEvent::KeyPress)
        keepAnchorInView();
    else if (popup()->isVisible())
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

void CommandCompleter::acceptInlineProposal(QLineEdit *edit) const
{
    if (completionMode() != InlineCompletion)
        return;
    const int proposalStart = edit->selectionStart();
    const bool showsProposal = edit->hasSelectedText()
        && proposalStart + edit->selectedText().length() == edit->text().length()
        && edit->text() == currentCompletion()
        && edit->text().left(proposalStart) == completionPrefix();
    // Without a selection the field lets Enter go on to the window.
    if (showsProposal)
        edit->end(false);
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
    else if (commandModel->isApplicationRow(source))
        Q_EMIT applicationActivated(commandModel->data(source, Qt::EditRole).toString());
    else if (commandModel->isFolderRow(source))
        // Once the field holds the folder, its contents are the next choice.
        QTimer::singleShot(0, this, &CommandCompleter::completeFieldText);
}

const QLineEdit *CommandCompleter::fieldLineEdit() const
{
    // A combo box makes itself the completer's widget.
    const auto *comboBox = qobject_cast<const QComboBox *>(widget());
    return comboBox ? comboBox->lineEdit() : qobject_cast<const QLineEdit *>(widget());
}

void CommandCompleter::setPopupAnchor(QWidget *anchor)
{
    // The completer watches its list already, so it sees the list move.
    popupAnchor = anchor;
}

void CommandCompleter::keepAnchorInView()
{
    // The completer places its list at every key press; it is moved on before it is drawn.
    if (!popupAnchor || !widget())
        return;
    // Below the field the list starts past the field's top; above, it ends there.
    const int fieldTop = widget()->mapToGlobal(QPoint(0, 0)).y();
    const int anchorBottom = popupAnchor->mapToGlobal(QPoint(0, popupAnchor->height())).y();
    if (popup()->y() > fieldTop && popup()->y() < anchorBottom)
        popup()->move(popup()->x(), anchorBottom);
}

void CommandCompleter::slotLateRowsArrived()
{
    // Rows that come while the user is elsewhere open no list.
    const QLineEdit *lineEdit = fieldLineEdit();
    if (lineEdit && lineEdit->hasFocus())
        completeFieldText();
}

void CommandCompleter::completeFieldText()
{
    const QLineEdit *lineEdit = fieldLineEdit();
    if (!lineEdit || lineEdit->text().isEmpty() || completionMode() == QCompleter::InlineCompletion)
        return;
    setCompletionPrefix(lineEdit->text());
    complete();
}
