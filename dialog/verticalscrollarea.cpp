// SPDX-License-Identifier: GPL-2.0-or-later
#include "verticalscrollarea.h"

#include <QEvent>
#include <QScrollBar>

VerticalScrollArea::VerticalScrollArea(QWidget *parent)
    : QScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes to the controls inside; a stop on the area itself would show nothing.
    setFocusPolicy(Qt::NoFocus);
}

void VerticalScrollArea::trackWidget()
{
    if (QWidget *inner = widget())
        inner->installEventFilter(this);
}

bool VerticalScrollArea::eventFilter(QObject *object, QEvent *event)
{
    if (object == widget() && event->type() == QEvent::Resize)
        setMinimumWidth(widget()->minimumSizeHint().width() + verticalScrollBar()->width());
    return QScrollArea::eventFilter(object, event);
}

QSize VerticalScrollArea::sizeHint() const
{
    if (const QWidget *inner = widget())
        return inner->minimumSizeHint();
    return QScrollArea::sizeHint();
}
