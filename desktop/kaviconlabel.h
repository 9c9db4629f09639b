// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KAVICONLABEL_H
#define KAVICONLABEL_H

#include <QIcon>
#include <QLabel>
#include <QStyle>

/**
 * A label that shows an icon at the size the style gives for a pixel metric.
 * The icon is drawn afresh on every paint, so a new style or a screen with
 * another device pixel ratio gets a sharp rendering without any bookkeeping.
 */
class KavIconLabel : public QLabel
{
    Q_OBJECT

public:
    explicit KavIconLabel(QWidget *parent = nullptr);

    /** Draws the icon at the style's size for @p metric (the default is PM_SmallIconSize). */
    void setPixelMetricForIconSize(QStyle::PixelMetric metric);
    /** Shows @p icon; the label is drawn anew only when it looks different. */
    void setIcon(const QIcon &icon);
    /** The icon set last; a null icon before the first setIcon(). */
    QIcon icon() const;
    /** The edge length the icon is drawn with, in device-independent pixels. */
    int iconExtent() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QIcon m_icon;
    QStyle::PixelMetric m_metric = QStyle::PM_SmallIconSize;
};

#endif
