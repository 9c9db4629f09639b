// SPDX-License-Identifier: GPL-2.0-or-later
#include "separatorline.h"

#include <QPainter>
#include <QPointer>
#include <QStyle>

#include <algorithm>
#include <vector>

namespace {
// A line as the style drew it, and everything that the drawing depends on.
struct Drawing
{
    QPointer<QStyle> style;
    qint64 palette;
    int frameStyle;
    int lineWidth;
    int midLineWidth;
    QSize size;
    qreal ratio;
    QPixmap pixmap;

    bool isFor(const Drawing &other) const
    {
        return style == other.style && palette == other.palette && frameStyle == other.frameStyle
            && lineWidth == other.lineWidth && midLineWidth == other.midLineWidth
            && size == other.size && ratio == other.ratio;
    }
};
} // namespace

// A form has a few lines; older drawings make room for newer ones.
static const size_t mostDrawings = 4;

SeparatorLine::SeparatorLine(QWidget *parent)
    : QFrame(parent)
{ }

void SeparatorLine::paintEvent(QPaintEvent *)
{
    static std::vector<Drawing> drawings;
    Drawing wanted { style(), palette().cacheKey(), frameStyle(), lineWidth(), midLineWidth(),
        size(), devicePixelRatioF(), QPixmap() };
    auto found = std::find_if(drawings.begin(), drawings.end(),
        [&wanted](const Drawing &drawing) { return drawing.isFor(wanted); });
    if (found == drawings.end()) {
        wanted.pixmap = QPixmap(wanted.size * wanted.ratio);
        wanted.pixmap.setDevicePixelRatio(wanted.ratio);
        wanted.pixmap.fill(Qt::transparent);
        QPainter painter(&wanted.pixmap);
        drawFrame(&painter);
        painter.end();
        if (drawings.size() >= mostDrawings)
            drawings.erase(drawings.begin());
        found = drawings.insert(drawings.end(), wanted);
    }
    QPainter(this).drawPixmap(0, 0, found->pixmap);
}
