// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LISTEDROWS_H
#define LISTEDROWS_H

#include "exec/launchplan.h"

#include <QObject>
#include <QPointer>

class HistoryBox;
class QAbstractButton;
struct CompletionRow;

/**
 * The rows that the command field's completion list offers in place of the
 * typed text, as a launch plan reads them, and taking one as the user would
 * choose it in the list.
 */
class ListedRows : public QObject
{
    Q_OBJECT

public:
    /** The rows of @p field's completer. */
    explicit ListedRows(HistoryBox *field);

    /** What the first row the open list offers runs; NoAlternative when there is none. */
    ListedAlternative first() const;

    /**
     * Chooses @p listed, the first row, as Down and Enter in the list do.
     * @return whether the field's text is to run now: a program or a file
     *         only completes the field, where a history entry or an
     *         application runs by itself and a folder shows what is in it
     */
    bool take(const ListedAlternative &listed);

    /**
     * Lets a click on @p button while the list is open click it at once: the
     * list would take that click only to close, where Enter takes what it
     * offers. Call it for each completer the field gets.
     */
    void passClicksTo(QAbstractButton *button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /** What taking @p row does, for a LaunchPlan. */
    static ListedAlternative alternative(const CompletionRow &row);

    HistoryBox *m_field;
    QPointer<QAbstractButton> m_button;
    // The list whose clicks reach m_button.
    QPointer<QWidget> m_list;
};

#endif
