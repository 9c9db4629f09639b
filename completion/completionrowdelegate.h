// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMPLETIONROWDELEGATE_H
#define COMPLETIONROWDELEGATE_H

#include <QStyledItemDelegate>

/**
 * Draws the rows of the completion list in one column layout: every row
 * keeps the list's icon column, with or without an icon of its own, so that
 * the names stand one below the other and every row is as high as the
 * others, whatever kind of row comes first. The row the list stands on is
 * drawn with the focus, as the completer's own list draws it.
 */
class CompletionRowDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CompletionRowDelegate(QObject *parent = nullptr);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

#endif
