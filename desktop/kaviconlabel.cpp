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

// Whether @p a and @p b look the same at @p extent pixels in @p mode.
static bool drawAlike(const QIcon &a, const QIcon &b, int extent, QIcon::Mode mode)
{
    if (a.cacheKey() == b.cacheKey() || (a.isNull() && b.isNull()))
        return true;
    if (a.isNull() || b.isNull())
        return false;
    return a.pixmap(extent, mode).toImage() == b.pixmap(extent, mode).toImage();
}

void KavIconLabel::setIcon(const QIcon &icon)
{
    // The same picture again, such as a theme icon looked up anew, leaves the
    // label as it was drawn.
    const bool redraw = isVisible()
        && !drawAlike(icon, m_icon, iconExtent(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
    m_icon = icon;
    if (redraw)
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
