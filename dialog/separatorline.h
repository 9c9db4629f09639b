// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEPARATORLINE_H
#define SEPARATORLINE_H

#include <QFrame>

/**
 * A horizontal or vertical line between parts of a form, drawn by the style as
 * a QFrame draws it. The raster engine draws a long line pixel by pixel, and
 * a resident program draws a new dialog at every start: the style's drawing
 * is kept for the process and only copied afterwards.
 */
class SeparatorLine : public QFrame
{
    Q_OBJECT

public:
    explicit SeparatorLine(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

#endif
