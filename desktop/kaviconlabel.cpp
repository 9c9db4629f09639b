// SPDX-License-Identifier: GPL-2.0-or-later
#include "kaviconlabel.h"

#include <QEvent>
#include <QPainter>

KavIconLabel::KavIconLabel(QWidget *parent)
    : QLabel(parent)
{ }

void KavIconLabel::setPixelMetricForIconSize(QStyle::PixelMetric metric)
{
    m_metric = metric;
    updateGeometry();
    update();
}

void KavIconLabel::setIcon(const QIcon &icon)
{
    m_icon = icon;
    update();
}

QIcon KavIconLabel::icon() const
{
    return m_icon;
}

int KavIconLabel::iconExtent() const
{
    return style()->pixelMetric(m_metric, nullptr, this);
}

QSize KavIconLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    const QSize iconSize(iconExtent(), iconExtent());
    return iconSize.expandedTo(QLabel::sizeHint())
        + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize KavIconLabel::minimumSizeHint() const
{
    return sizeHint();
}

void KavIconLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (m_icon.isNull())
        return;
    // QIcon::paint picks the pixmap for the painter's device pixel ratio.
    QPainter painter(this);
    const QSize iconSize(iconExtent(), iconExtent());
    const QRect target =
        QStyle::alignedRect(layoutDirection(), alignment(), iconSize, contentsRect());
    m_icon.paint(&painter, target, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

void KavIconLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::StyleChange) {
        updateGeometry();
        update();
    }
}
