// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PAINTCOUNTER_H
#define PAINTCOUNTER_H

#include <QObject>

/** Counts the paint events that a widget receives from now on. */
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QObject *widget);

    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif
