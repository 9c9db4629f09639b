// SPDX-License-Identifier: GPL-2.0-or-later
#include "historybox.h"

#include "commandcompleter.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

HistoryBox::HistoryBox(QWidget *parent)
    : QComboBox(parent)
{
    setDuplicatesEnabled(false);
    // Only addToHistory() adds entries; Enter in the field never does by itself.
    setInsertPolicy(QComboBox::NoInsert);
    setEditable(true);
}

void HistoryBox::setHistoryItems(const QStringList &items)
{
    clear();
    insertItems(count(), items);
    // Deselecting empties the field, which a completer would take for an empty
    // prefix typed and have every program on the search path tested; that work
    // belongs to the first key press, so the completer comes afterwards.
    setCurrentIndex(-1);

    // The completer copies the items now, so they must be in place first. The line
    // edit deletes the completer this one replaces, as it is the line edit's child.
    auto *commandCompleter = new CommandCompleter(model(), lineEdit());
    setCompleter(commandCompleter);
    connect(commandCompleter, &CommandCompleter::historyItemActivated, this,
        &HistoryBox::slotItemActivated);
}

void HistoryBox::addToHistory(const QString &command)
{
    const int existing = findText(command);
    if (existing != -1)
        removeItem(existing);
    insertItem(0, command);
}

QStringList HistoryBox::historyItems() const
{
    QStringList items;
    items.reserve(count());
    for (int position = 0; position < count(); ++position)
        items.append(itemText(position));
    return items;
}

void HistoryBox::slotItemActivated()
{
    // Posted, not sent: it arrives once the completer has put the entry into the
    // field, and the dialog takes it as Enter pressed there, which runs the command.
    QCoreApplication::postEvent(lineEdit(),
        new QKeyEvent(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier, QString(), false, 1));
}

void HistoryBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu may be destroyed while it is open, with the line edit for instance.
    QPointer<QMenu> menu = lineEdit()->createStandardContextMenu();
    menu->addSeparator();
    QAction *clearHistory = menu->addAction(tr("Clear history"));
    clearHistory->setShortcut(QKeySequence());
    connect(clearHistory, &QAction::triggered, this, &QComboBox::clear);
    menu->exec(event->globalPos());
    delete menu;
}
