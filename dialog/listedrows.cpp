// SPDX-License-Identifier: GPL-2.0-or-later
#include "listedrows.h"

#include "completion/commandcompleter.h"
#include "completion/historybox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QMouseEvent>

ListedRows::ListedRows(HistoryBox *field)
    : QObject(field)
    , m_field(field)
{ }

ListedAlternative ListedRows::first() const
{
    const auto *completer = qobject_cast<const CommandCompleter *>(m_field->completer());
    return alternative(completer ? completer->firstRow() : CompletionRow());
}

ListedAlternative ListedRows::alternative(const CompletionRow &row)
{
    switch (CompletionRow::choiceFor(row.kind)) {
    case CompletionRow::Choice::None:
        return {};
    case CompletionRow::Choice::ShowsFolder:
        return { ListedAlternative::ShowsFolder, row.text, row.text, false };
    case CompletionRow::Choice::RunsItself:
        return { ListedAlternative::RunsCommand, row.name, row.text, true };
    case CompletionRow::Choice::CompletesField:
        // The completed field runs next: a program as a command, a file opened.
        if (row.kind == CommandCompleterModel::RowKind::File)
            return { ListedAlternative::OpensFile, row.text, row.text, false };
        return { ListedAlternative::RunsCommand, row.name, row.text, false };
    }
    return {};
}

bool ListedRows::take(const ListedAlternative &listed)
{
    auto *completer = qobject_cast<CommandCompleter *>(m_field->completer());
    if (!completer || !completer->activateFirstRow())
        return false;
    return !listed.runsWhenTaken && listed.kind != ListedAlternative::ShowsFolder;
}

void ListedRows::passClicksTo(QAbstractButton *button)
{
    m_button = button;
    const QCompleter *completer = m_field->completer();
    // Inline completion has no list.
    if (!completer || completer->completionMode() == QCompleter::InlineCompletion)
        return;
    m_list = completer->popup();
    m_list->installEventFilter(this);
}

bool ListedRows::eventFilter(QObject *watched, QEvent *event)
{
    // Only the list is looked at: it also reports its end, when the field is going.
    if (event->type() != QEvent::MouseButtonPress || watched != m_list || !m_button)
        return QObject::eventFilter(watched, event);
    const auto *press = static_cast<QMouseEvent *>(event);
    if (press->button() == Qt::LeftButton && m_button->isEnabled()
        && m_button->rect().contains(m_button->mapFromGlobal(press->globalPos()))) {
        // Clicked while the list still offers what it showed.
        m_button->click();
        m_list->hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
