// SPDX-License-Identifier: GPL-2.0-or-later
#include "paintcounter.h"

#include <QEvent>

PaintCounter::PaintCounter(QObject *widget)
{
    widget->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint)
        ++paints;
    return QObject::eventFilter(watched, event);
}
