// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HINTLABEL_H
#define HINTLABEL_H

#include <QLabel>

/**
 * A quiet line of text: a smaller font in a colour between text and background,
 * one line high whether it holds text or not, and cut short with an ellipsis
 * rather than widening its window. A text cut short is shown whole in the
 * tool tip.
 */
class HintLabel : public QLabel
{
    Q_OBJECT

public:
    explicit HintLabel(QWidget *parent = nullptr);

    /** Shows @p text, elided to the label's width. */
    void setHint(const QString &text);
    /** The whole text last given to setHint(). */
    QString hint() const { return fullText; }

    /** No width of its own, the height of one line. */
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elide();

    QString fullText;
};

#endif
