// SPDX-License-Identifier: GPL-2.0-or-later
#include "dialog/verticalscrollarea.h"

#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

class VerticalScrollAreaTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void widthFollowsTheContent();
    void sizeHintWithoutContent();
};

void VerticalScrollAreaTest::widthFollowsTheContent()
{
    VerticalScrollArea area;
    area.setWidgetResizable(true);
    auto *inner = new QWidget;
    auto *layout = new QVBoxLayout(inner);
    auto *label = new QLabel(QStringLiteral("short"));
    layout->addWidget(label);
    area.setWidget(inner);
    area.trackWidget();
    QCOMPARE(area.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(area.sizeHint(), inner->minimumSizeHint());

    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    label->setText(QStringLiteral("a label that is much wider than the short one it replaces"));
    inner->resize(inner->width() + 1, inner->height());
    QCOMPARE(
        area.minimumWidth(), inner->minimumSizeHint().width() + area.verticalScrollBar()->width());
    QCOMPARE(area.sizeHint(), inner->minimumSizeHint());
}

void VerticalScrollAreaTest::sizeHintWithoutContent()
{
    VerticalScrollArea area;
    area.trackWidget();
    QVERIFY(area.sizeHint().isValid());
}

QTEST_MAIN(VerticalScrollAreaTest)
#include "tst_verticalscrollarea.moc"
