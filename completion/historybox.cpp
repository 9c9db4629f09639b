// SPDX-License-Identifier: GPL-2.0-or-later
#include "historybox.h"

#include "commandcompleter.h"
#include "core/backgroundthreadpool.h"
#include "historymodel.h"
#include "usagerecord.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QtConcurrent>

#include <algorithm>

// How long counting a run waits for the usage record that is still being read.
static const int usageWaitMs = 1000;

HistoryBox::HistoryBox(QWidget *parent)
    : QComboBox(parent)
    , m_historyModel(new HistoryModel(this))
{
    setModel(m_historyModel);
    setDuplicatesEnabled(false);
    // Only addToHistory() adds entries; Enter in the field never does by itself.
    setInsertPolicy(QComboBox::NoInsert);
    setEditable(true);
    // Every entry is one line of text: the list need not measure them all.
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setUniformItemSizes(true);
    // A history entry recalled with the arrow keys or chosen in the box's own list.
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (index != -1)
            rememberChoice(itemText(index), m_entryIds.value(itemText(index)));
    });
    connect(lineEdit(), &QLineEdit::textEdited, this, &HistoryBox::slotTextEdited);
}

void HistoryBox::setHistoryItems(const QStringList &items, const QHash<QString, QString> &entries)
{
    replaceItems(items, entries);
    installCompleter();
}

void HistoryBox::replaceItems(const QStringList &items, const QHash<QString, QString> &entries)
{
    // Not checked against the items: a history of 100 000 would take long to
    // search, and a pair without its item is never asked for.
    m_entryIds = entries;
    // Replacing the model redraws the field even when nothing in it changes;
    // an unchanged history, such as a first start's empty one, leaves the
    // field as it was drawn, and one that grows at its end gets new rows.
    const QStringList current = m_historyModel->stringList();
    if (!current.isEmpty() && items.size() > current.size()
        && std::equal(current.cbegin(), current.cend(), items.cbegin())) {
        appendItems(items.mid(current.size()));
    } else if (items != current) {
        // Replacing the items empties the field; what it held comes back, so
        // that nothing typed or preset before the history arrives is lost.
        const QSignalBlocker blockBox(this);
        const QSignalBlocker blockField(lineEdit());
        const QString text = lineEdit()->text();
        const bool modified = lineEdit()->isModified();
        const int cursor = lineEdit()->cursorPosition();
        const int selectionStart = lineEdit()->selectionStart();
        const int selectionLength = lineEdit()->selectedText().length();

        // The box takes an array of the entries of its own (the strings stay
        // shared). It adds a command right after forking to start it; an array
        // still shared with the settings would be copied then, writing to every
        // entry's memory just when each page written must be copied for the
        // child. Copying it now through a prepend also leaves room before the
        // entries, so that the command goes on top without moving them.
        QStringList ownItems = items;
        ownItems.prepend(QString());
        ownItems.removeFirst();
        m_historyModel->setStringList(ownItems);
        setCurrentIndex(-1);

        lineEdit()->setText(text);
        if (selectionLength == 0)
            lineEdit()->setCursorPosition(cursor);
        else if (cursor == selectionStart)
            lineEdit()->setSelection(selectionStart + selectionLength, -selectionLength);
        else
            lineEdit()->setSelection(selectionStart, selectionLength);
        lineEdit()->setModified(modified);
    }
}

void HistoryBox::appendItems(const QStringList &items)
{
    const int first = m_historyModel->rowCount();
    m_historyModel->insertRows(first, items.size());
    // The rows are new to every view, which reads them when it draws them;
    // a signal for each of 100 000 of them would take longer than the rows.
    const QSignalBlocker quiet(m_historyModel);
    for (int row = 0; row < items.size(); ++row)
        m_historyModel->setData(m_historyModel->index(first + row), items.at(row));
}

void HistoryBox::installCompleter()
{
    // The completer copies the items now, so they must be in place first; it
    // comes after the field is restored, which it would take for typing. The
    // line edit deletes the completer this one replaces, as it is its child.
    loadUsageRecord();
    auto *commandCompleter = new CommandCompleter(model(), lineEdit());
    if (m_usage)
        commandCompleter->setUsageRecord(m_usage);
    setCompleter(commandCompleter);
    commandCompleter->setPopupAnchor(m_completionAnchor);
    connect(commandCompleter, &CommandCompleter::historyItemActivated, this,
        &HistoryBox::slotHistoryItemActivated);
    connect(commandCompleter, &CommandCompleter::applicationActivated, this,
        &HistoryBox::slotApplicationActivated);
    connect(commandCompleter, &CommandCompleter::applicationsLoaded, this,
        [this, commandCompleter] { nameApplications(commandCompleter); });
    // A highlighted row's text stands for what the row does, even once the list is gone.
    connect(commandCompleter, &CommandCompleter::rowHighlighted, this,
        [this](const QString &text, const QString &entryId, bool isHistory) {
            rememberChoice(text, isHistory ? m_entryIds.value(text) : entryId);
        });
}

void HistoryBox::addToHistory(
    const QString &command, const QString &entryId, const QString &replaced)
{
    {
        // Not a recall: the field keeps what it stands for.
        const QSignalBlocker quiet(this);
        const int existing = findText(command);
        if (existing != -1)
            removeItem(existing);
        const int older = replaced.isEmpty() || replaced == command ? -1 : findText(replaced);
        if (older != -1)
            removeItem(older);
        insertItem(0, command);
    }
    if (entryId.isEmpty())
        m_entryIds.remove(command);
    else
        m_entryIds.insert(command, entryId);
}

void HistoryBox::recallHistoryEntry(int row)
{
    setCurrentIndex(row);
    rememberChoice(itemText(row), m_entryIds.value(itemText(row)));
}

void HistoryBox::chooseApplication(const QString &name, const QString &id)
{
    lineEdit()->setText(name);
    rememberChoice(name, id);
}

// Whether the simplified @p text still stands for the application chosen as
// @p chosen: it is its name, maybe followed by words typed after it, its
// arguments.
static bool keepsChoice(const QString &text, const QString &chosen)
{
    return text == chosen || text.startsWith(chosen + QLatin1Char(' '));
}

QString HistoryBox::chosenEntry() const
{
    return keepsChoice(lineEdit()->text().simplified(), m_chosenText) ? m_chosenId : QString();
}

void HistoryBox::rememberChoice(const QString &text, const QString &id)
{
    m_chosenText = id.isEmpty() ? QString() : text.simplified();
    m_chosenId = id;
}

void HistoryBox::slotTextEdited(const QString &text)
{
    // Any edit but words typed after an application's name makes the text the user's own.
    if (!keepsChoice(text.simplified(), m_chosenText))
        rememberChoice(QString(), QString());
}

void HistoryBox::slotHistoryItemActivated(const QString &text)
{
    rememberChoice(text, m_entryIds.value(text));
    slotItemActivated();
}

void HistoryBox::slotApplicationActivated(const QString &name, const QString &id)
{
    rememberChoice(name, id);
    slotItemActivated();
}

void HistoryBox::loadUsageRecord()
{
    takeUsageRecord();
    if (m_usage || m_usageLoad.isRunning())
        return;
    // The user's own files may lie on a mount that does not answer.
    static QThreadPool *const userFileReads = newBackgroundThreadPool(1);
    m_usageLoad = QtConcurrent::run(userFileReads, [] {
        auto record = QSharedPointer<UsageRecord>::create();
        record->load();
        return record;
    });
    auto *watcher = new QFutureWatcher<QSharedPointer<UsageRecord>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        takeUsageRecord();
    });
    watcher->setFuture(m_usageLoad);
}

void HistoryBox::takeUsageRecord()
{
    // A record emptied meanwhile stays empty.
    if (m_usage || m_usageLoad.resultCount() == 0)
        return;
    m_usage = m_usageLoad.result();
    if (auto *commandCompleter = qobject_cast<CommandCompleter *>(completer()))
        commandCompleter->setUsageRecord(m_usage);
}

bool HistoryBox::noteRun(const QString &command, QString *error)
{
    // Written before it was read, the record would lose what it held; a
    // record that does not come is not written.
    loadUsageRecord();
    QElapsedTimer waiting;
    waiting.start();
    while (!m_usage && m_usageLoad.isRunning() && !waiting.hasExpired(usageWaitMs))
        QThread::msleep(5);
    takeUsageRecord();
    if (m_usage)
        return m_usage->noteRun(command, error);
    if (error)
        *error = tr("%1: it is still being read").arg(UsageRecord::standardFileName());
    return false;
}

void HistoryBox::clearHistory()
{
    clear();
    m_entryIds.clear();
    if (auto *commandCompleter = qobject_cast<CommandCompleter *>(completer()))
        commandCompleter->setHistory({});
    if (!m_usage)
        m_usage = QSharedPointer<UsageRecord>::create();
    m_usage->clear();
    Q_EMIT historyCleared();
}

void HistoryBox::nameApplications(CommandCompleter *commandCompleter)
{
    // Older versions kept an application chosen in the list by its desktop-file
    // id, which a program of that name would run instead.
    const QHash<QString, QString> names = commandCompleter->applicationNames();
    QStringList items = m_historyModel->stringList();
    QHash<QString, bool> programs;
    QVector<int> renamed;
    for (int row = 0; row < items.size(); ++row) {
        const QString &item = items.at(row);
        const QString id = item.left(item.indexOf(QLatin1Char(' ')));
        const auto name = names.constFind(id);
        if (name == names.cend() || name->isEmpty() || m_entryIds.contains(item))
            continue;
        auto program = programs.find(id);
        if (program == programs.end())
            program = programs.insert(id, !QStandardPaths::findExecutable(id).isEmpty());
        if (program.value())
            continue;
        const QString named = *name + item.mid(id.size());
        m_entryIds.insert(named, id);
        items[row] = named;
        renamed.append(row);
    }
    if (renamed.isEmpty())
        return;
    // An application run by its name since then stands once, where it stood last.
    for (auto row = renamed.crbegin(); row != renamed.crend(); ++row) {
        if (items.indexOf(items.at(*row)) < *row)
            items.removeAt(*row);
    }
    replaceItems(items, m_entryIds);
    commandCompleter->setHistory(items);
    Q_EMIT applicationsNamed();
}

void HistoryBox::askToClearHistory()
{
    // Neither the history nor the order learned from it comes back.
    const QMessageBox::StandardButton answer =
        QMessageBox::question(this, tr("Clear History - Run command"),
            tr("Erase the history of the commands run and the order the list learned from them?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        clearHistory();
}

void HistoryBox::setCompletionAnchor(QWidget *anchor)
{
    m_completionAnchor = anchor;
    if (auto *commandCompleter = qobject_cast<CommandCompleter *>(completer()))
        commandCompleter->setPopupAnchor(anchor);
}

QStringList HistoryBox::historyItems() const
{
    return m_historyModel->stringList();
}

void HistoryBox::slotItemActivated()
{
    // Posted, not sent: it arrives once the completer has put the entry into the
    // field, and the dialog takes it as Enter pressed there, which runs the command.
    QCoreApplication::postEvent(lineEdit(),
        new QKeyEvent(QEvent::KeyPress, Qt::Key_Enter, Qt::NoModifier, QString(), false, 1));
}

bool HistoryBox::recallHistory(bool older)
{
    const QString text = lineEdit()->text();
    const int current = currentIndex();
    const bool recalled = current != -1 && !lineEdit()->isModified() && text == itemText(current);
    // What the user typed stays; a text put in otherwise is left to the combo box.
    if (!recalled && !text.isEmpty())
        return lineEdit()->isModified();
    // A shell's history: Down past the newest entry comes back to the empty line.
    const int wanted = recalled ? current + (older ? 1 : -1) : (older ? 0 : -1);
    if (wanted >= count())
        return true;
    if (wanted == -1) {
        setCurrentIndex(-1);
        lineEdit()->clear();
    } else {
        // The entry stands for its application again, also when it is the current item still.
        recallHistoryEntry(wanted);
    }
    return true;
}

void HistoryBox::keyPressEvent(QKeyEvent *event)
{
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
        && recallHistory(event->key() == Qt::Key_Up)) {
        event->accept();
        return;
    }
    // Enter runs what the field shows, the rest that inline completion proposes with it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (const auto *commandCompleter = qobject_cast<CommandCompleter *>(completer()))
            commandCompleter->acceptInlineProposal(lineEdit());
    }
    QComboBox::keyPressEvent(event);
}

void HistoryBox::contextMenuEvent(QContextMenuEvent *event)
{
    // The menu may be destroyed while it is open, with the line edit for instance.
    QPointer<QMenu> menu = lineEdit()->createStandardContextMenu();
    menu->addSeparator();
    QAction *clearAction = menu->addAction(tr("Clear history"));
    clearAction->setShortcut(QKeySequence());
    connect(clearAction, &QAction::triggered, this, &HistoryBox::askToClearHistory);
    menu->exec(event->globalPos());
    delete menu;
}
