// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandcompleter.h"

#include "applicationsmodel.h"
#include "commandcompletermodel.h"
#include "completionrowdelegate.h"

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTimer>
#include <QWindow>

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
    , m_commandModel(new CommandCompleterModel(historyModel, this))
{
    setModel(m_commandModel);
    setCompletionRole(CommandCompleterModel::CompletionKeyRole);
    setCaseSensitivity(Qt::CaseSensitive);
    connect(this, QOverload<const QModelIndex &>::of(&QCompleter::activated), this,
        &CommandCompleter::checkActivatedItem);
    connect(this, QOverload<const QModelIndex &>::of(&QCompleter::highlighted), this,
        &CommandCompleter::checkHighlightedItem);
    connect(m_commandModel, &CommandCompleterModel::lateRowsArrived, this,
        &CommandCompleter::slotLateRowsArrived);
    connect(m_commandModel, &CommandCompleterModel::applicationsLoaded, this,
        &CommandCompleter::applicationsLoaded);
    // The list of matches is made anew, as a reset, for each text and late rows.
    connect(completionModel(), &QAbstractItemModel::modelReset, this,
        &CommandCompleter::slotMatchesChanged);
}

void CommandCompleter::setUsageRecord(const QSharedPointer<const UsageRecord> &usage)
{
    m_commandModel->setUsageRecord(usage);
}

void CommandCompleter::setHistory(const QStringList &entries)
{
    m_commandModel->setHistory(entries);
}

QHash<QString, QString> CommandCompleter::applicationNames() const
{
    return m_commandModel->applicationNames();
}

QStringList CommandCompleter::splitPath(const QString &path) const
{
    // Called whenever the prefix changes, so the candidates are screened and
    // found before matching.
    m_commandModel->setTypedText(path, completionMode() == InlineCompletion);
    // The list is made here, before it first shows, and only in a list mode: a
    // list made before inline completion is chosen stops the field completing.
    // Every row is one line high and keeps the icon column, so that the first
    // row, from which the list takes its height, is as high as any. Otherwise
    // the list measures each of its rows, which for the first letter typed can
    // be thousands, per key press.
    if (completionMode() != InlineCompletion) {
        auto *list = qobject_cast<QListView *>(popup());
        if (list && !qobject_cast<CompletionRowDelegate *>(list->itemDelegate())) {
            list->setUniformItemSizes(true);
            list->setItemDelegate(new CompletionRowDelegate(list));
        }
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
    // Of the list's own events, key presses, moves, showing and hiding are
    // handled here. The type comes first: popup() makes the list, which sends
    // events of other types here, and in inline mode a list stops the field completing.
    if ((type != QEvent::KeyPress && type != QEvent::Move && type != QEvent::Show
            && type != QEvent::Hide)
        || completionMode() == InlineCompletion || watched == widget() || watched != popup())
        return QCompleter::eventFilter(watched, event);
    if (type == QEvent::Show)
        attachPopupToField();
    if (type == QEvent::Show || type == QEvent::Hide)
        noteFirstRow();
    if (type == QEvent::Move || type == QEvent::Show)
        keepAnchorInView();
    else if (type == QEvent::KeyPress && popup()->isVisible())
        return popupKeyPress(watched, static_cast<QKeyEvent *>(event));
    return QCompleter::eventFilter(watched, event);
}

bool CommandCompleter::popupKeyPress(QObject *popupObject, QKeyEvent *key)
{
    // Only a row chosen with the arrow keys is taken; the row that unfiltered
    // completion marks by itself and the default row are no choice.
    if (isEnter(key) && (!popup()->selectionModel()->hasSelection() || m_defaultShown)) {
        passToWindow(key);
        return true;
    }
    if (isListKey(key))
        m_defaultShown = false;
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
    // The window may ask for the first row the list offered, for Enter above all.
    m_handingKeyToWindow = true;
    popup()->hide();
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : widget();
    if (target) {
        // Sent, not posted, like the key itself: a key typed right after it must come later.
        // A key that is not spontaneous is offered to the window's shortcuts first.
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
            key->nativeVirtualKey(), key->nativeModifiers(), key->text(), key->isAutoRepeat(),
            key->count());
        QCoreApplication::sendEvent(target, &copy);
    }
    m_handingKeyToWindow = false;
    noteFirstRow();
}

void CommandCompleter::checkActivatedItem(const QModelIndex &idx)
{
    // The index is one of the list of matches, a proxy over the combined model.
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(completionModel());
    if (!matches)
        return;
    const QModelIndex source = matches->mapToSource(idx);
    const CommandCompleterModel::RowKind kind = m_commandModel->rowKind(source);
    switch (CompletionRow::choiceFor(kind)) {
    case CompletionRow::Choice::RunsItself:
        if (kind == CommandCompleterModel::RowKind::Application) {
            Q_EMIT applicationActivated(m_commandModel->data(source, Qt::EditRole).toString(),
                m_commandModel->data(source, ApplicationsModel::EntryIdRole).toString());
        } else {
            Q_EMIT historyItemActivated(m_commandModel->data(source, Qt::DisplayRole).toString());
        }
        break;
    case CompletionRow::Choice::ShowsFolder:
        // Once the field holds the folder, its contents are the next choice.
        QTimer::singleShot(0, this, &CommandCompleter::completeFieldText);
        break;
    case CompletionRow::Choice::CompletesField:
    case CompletionRow::Choice::None:
        break;
    }
}

void CommandCompleter::checkHighlightedItem(const QModelIndex &idx)
{
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(completionModel());
    if (!matches)
        return;
    const QModelIndex source = matches->mapToSource(idx);
    const CommandCompleterModel::RowKind kind = m_commandModel->rowKind(source);
    if (kind == CommandCompleterModel::RowKind::History
        || kind == CommandCompleterModel::RowKind::Application) {
        Q_EMIT rowHighlighted(source.data(Qt::EditRole).toString(),
            source.data(ApplicationsModel::EntryIdRole).toString(),
            kind == CommandCompleterModel::RowKind::History);
    }
}

CompletionRow::Choice CompletionRow::choiceFor(CommandCompleterModel::RowKind kind)
{
    switch (kind) {
    case CommandCompleterModel::RowKind::None:
        return Choice::None;
    case CommandCompleterModel::RowKind::History:
    case CommandCompleterModel::RowKind::Application:
        return Choice::RunsItself;
    case CommandCompleterModel::RowKind::Program:
    case CommandCompleterModel::RowKind::File:
        return Choice::CompletesField;
    case CommandCompleterModel::RowKind::Folder:
        return Choice::ShowsFolder;
    }
    return Choice::None;
}

CompletionRow CommandCompleter::firstRow() const
{
    // The list is asked for last: made before inline completion is chosen, it
    // stops the field completing.
    const QLineEdit *lineEdit = fieldLineEdit();
    const auto *matches = qobject_cast<const QAbstractProxyModel *>(completionModel());
    if (completionMode() == InlineCompletion || !lineEdit || !matches
        || completionPrefix() != lineEdit->text() || matches->rowCount() == 0
        || (!popup()->isVisible() && !m_handingKeyToWindow)
        || (popup()->selectionModel()->hasSelection() && !m_defaultShown))
        return {};
    const QModelIndex first = matches->mapToSource(matches->index(0, 0));
    return { m_commandModel->rowKind(first), first.data(Qt::DisplayRole).toString(),
        pathFromIndex(first) };
}

void CommandCompleter::setFirstRowDefault(bool on)
{
    m_defaultWanted = on;
    if (on) {
        showDefaultRow();
    } else if (m_defaultShown) {
        m_defaultShown = false;
        const QSignalBlocker quiet(popup()->selectionModel());
        popup()->selectionModel()->clear();
        popup()->viewport()->update();
    }
}

void CommandCompleter::showDefaultRow()
{
    if (completionMode() == InlineCompletion)
        return;
    QItemSelectionModel *selection = popup()->selectionModel();
    const QModelIndex first = completionModel()->index(0, 0);
    if (!first.isValid() || (selection->hasSelection() && !m_defaultShown))
        return;
    {
        // Selecting a row puts its text into the field, which the default must not do.
        const QSignalBlocker quiet(selection);
        selection->setCurrentIndex(
            first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    popup()->viewport()->update();
    m_defaultShown = true;
}

bool CommandCompleter::activateFirstRow()
{
    if (firstRow().kind == CommandCompleterModel::RowKind::None)
        return false;
    m_defaultShown = false;
    // As the arrow key would, the row becomes the chosen one and the field takes its text.
    popup()->setCurrentIndex(completionModel()->index(0, 0));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(popup(), &enter);
    return true;
}

void CommandCompleter::slotMatchesChanged()
{
    // The list was filtered anew, which clears its selection.
    m_defaultShown = false;
    if (completionPrefix() != m_matchedPrefix) {
        // The window decides about the default for each text.
        m_matchedPrefix = completionPrefix();
        m_defaultWanted = false;
        const QLineEdit *lineEdit = fieldLineEdit();
        m_listWanted = lineEdit && lineEdit->isModified();
    }
    if (m_defaultWanted)
        showDefaultRow();
    noteFirstRow();
}

void CommandCompleter::noteFirstRow()
{
    const CompletionRow first = firstRow();
    if (first.kind == m_lastFirstRow.kind && first.text == m_lastFirstRow.text
        && first.name == m_lastFirstRow.name)
        return;
    m_lastFirstRow = first;
    Q_EMIT firstRowChanged();
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
    m_popupAnchor = anchor;
}

// The list is a window without a parent. A Wayland compositor shows it as a
// popup only over a parent window, which Qt then takes from the focus; right
// after the dialog maps, Qt may not know the dialog has it yet, and the list
// would become a window of its own that takes the keys from the field.
void CommandCompleter::attachPopupToField()
{
    QWindow *list = popup()->windowHandle();
    QWidget *field = widget();
    if (list && field && field->window()->windowHandle())
        list->setTransientParent(field->window()->windowHandle());
}

void CommandCompleter::keepAnchorInView()
{
    // The completer places its list at every key press; it is moved on before it is drawn.
    if (!m_popupAnchor || !widget())
        return;
    // Below the field the list starts past the field's top; above, it ends there.
    const int fieldTop = widget()->mapToGlobal(QPoint(0, 0)).y();
    const int anchorBottom = m_popupAnchor->mapToGlobal(QPoint(0, m_popupAnchor->height())).y();
    if (popup()->y() > fieldTop && popup()->y() < anchorBottom)
        popup()->move(popup()->x(), anchorBottom);
}

void CommandCompleter::slotLateRowsArrived()
{
    // Rows that come while the user is elsewhere, or for a text that the user
    // did not type (a history entry recalled), open no list.
    const QLineEdit *lineEdit = fieldLineEdit();
    if (m_listWanted && lineEdit && lineEdit->hasFocus())
        completeFieldText();
}

void CommandCompleter::completeFieldText()
{
    const QLineEdit *lineEdit = fieldLineEdit();
    if (!lineEdit || lineEdit->text().isEmpty() || completionMode() == QCompleter::InlineCompletion)
        return;
    setCompletionPrefix(lineEdit->text());
    m_listWanted = true;
    complete();
}
