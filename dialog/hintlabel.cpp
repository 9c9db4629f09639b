// SPDX-License-Identifier: GPL-2.0-or-later
#include "hintlabel.h"

HintLabel::HintLabel(QWidget *parent)
    : QLabel(parent)
{
    QFont smaller = font();
    if (smaller.pointSizeF() > 0)
        smaller.setPointSizeF(smaller.pointSizeF() * 0.9);
    else
        smaller.setPixelSize(qMax(1, smaller.pixelSize() * 9 / 10));
    setFont(smaller);
    // Between the text and the background: readable, yet quieter than the field's label.
    QPalette quiet = palette();
    const QColor text = quiet.color(QPalette::WindowText);
    const QColor background = quiet.color(QPalette::Window);
    quiet.setColor(QPalette::WindowText,
        QColor((text.red() * 3 + background.red() * 2) / 5,
            (text.green() * 3 + background.green() * 2) / 5,
            (text.blue() * 3 + background.blue() * 2) / 5));
    setPalette(quiet);
    setTextFormat(Qt::PlainText);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void HintLabel::setHint(const QString &text)
{
    fullText = text;
    elide();
}

QSize HintLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return QSize(0, fontMetrics().height() + margins.top() + margins.bottom() + 2 * margin());
}

QSize HintLabel::minimumSizeHint() const
{
    return sizeHint();
}

void HintLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void HintLabel::elide()
{
    const QString shown =
        fontMetrics().elidedText(fullText, Qt::ElideRight, contentsRect().width());
    setText(shown);
    setToolTip(shown == fullText ? QString() : fullText);
}
