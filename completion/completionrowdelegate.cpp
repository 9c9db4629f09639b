// SPDX-License-Identifier: GPL-2.0-or-later
#include "completionrowdelegate.h"

#include <QAbstractItemView>

CompletionRowDelegate::CompletionRowDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{ }

void CompletionRowDelegate::initStyleOption(
    QStyleOptionViewItem *option, const QModelIndex &index) const
{
    // The view's icon size, which the base narrows to a row's own icon.
    const QSize iconColumn = option->decorationSize;
    QStyledItemDelegate::initStyleOption(option, index);
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = iconColumn;
    option->showDecorationSelected = true;
    const auto *view = qobject_cast<const QAbstractItemView *>(option->widget);
    if (view && view->currentIndex() == index)
        option->state |= QStyle::State_HasFocus;
}
