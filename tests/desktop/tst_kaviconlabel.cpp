// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/paintcounter.h"
#include "desktop/kaviconlabel.h"

#include <QCommonStyle>
#include <QImage>
#include <QPixmap>
#include <QTest>

/** A style with its own large icon size, to see the label follow a style change. */
class LargeIconStyle : public QCommonStyle
{
public:
    int pixelMetric(
        PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        return metric == PM_LargeIconSize ? 40 : QCommonStyle::pixelMetric(metric, option, widget);
    }
};

class KavIconLabelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawsTheIconAtTheMetricsSize();
    void drawsAnewOnlyForAnotherPicture();
    void followsAStyleChange();
};

static QIcon plainIcon(QColor colour)
{
    QPixmap pixmap(64, 64);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

void KavIconLabelTest::drawsTheIconAtTheMetricsSize()
{
    KavIconLabel label(nullptr);
    QVERIFY(label.icon().isNull());
    label.setPixelMetricForIconSize(QStyle::PM_LargeIconSize);
    const int extent = label.style()->pixelMetric(QStyle::PM_LargeIconSize);
    QCOMPARE(label.iconExtent(), extent);
    QVERIFY(label.sizeHint().width() >= extent);
    QVERIFY(label.sizeHint().height() >= extent);

    const QIcon icon = plainIcon(Qt::red);
    label.setIcon(icon);
    QCOMPARE(label.icon().cacheKey(), icon.cacheKey());
    label.setAlignment(Qt::AlignCenter);
    label.resize(label.sizeHint());
    const QImage image = label.grab().toImage();
    QCOMPARE(image.pixelColor(image.width() / 2, image.height() / 2), QColor(Qt::red));
}

void KavIconLabelTest::drawsAnewOnlyForAnotherPicture()
{
    KavIconLabel label(nullptr);
    label.setIcon(plainIcon(Qt::red));
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    const PaintCounter counter(&label);
    label.setIcon(plainIcon(Qt::red));
    QTest::qWait(50);
    QCOMPARE(counter.paints, 0);
    label.setIcon(plainIcon(Qt::blue));
    QTRY_COMPARE(counter.paints, 1);
}

void KavIconLabelTest::followsAStyleChange()
{
    KavIconLabel label(nullptr);
    label.setPixelMetricForIconSize(QStyle::PM_LargeIconSize);
    LargeIconStyle style;
    label.setStyle(&style);
    QCOMPARE(label.iconExtent(), 40);
    QVERIFY(label.sizeHint().width() >= 40);
}

QTEST_MAIN(KavIconLabelTest)
#include "tst_kaviconlabel.moc"
