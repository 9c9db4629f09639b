// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef VERTICALSCROLLAREA_H
#define VERTICALSCROLLAREA_H

#include <QScrollArea>

/**
 * A scroll area that scrolls vertically only and is always as wide as its
 * content needs, so that the advanced options never get a horizontal scroll bar.
 */
class VerticalScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit VerticalScrollArea(QWidget *parent = nullptr);

    /** Follows the size of the current inner widget; call it after setWidget(). */
    void trackWidget();

    bool eventFilter(QObject *object, QEvent *event) override;
    /** The minimum size hint of the inner widget, or the base class's hint without one. */
    QSize sizeHint() const override;
};

#endif
