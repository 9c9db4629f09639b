// SPDX-License-Identifier: GPL-2.0-or-later
#include "dialog/afterfirstframe.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

/** A window that notes, at each of its paints, whether the work had run by then. */
class PaintRecorder : public QWidget
{
public:
    QList<bool> workDoneAtPaint;
    const int *runs = nullptr;

protected:
    void paintEvent(QPaintEvent *) override { workDoneAtPaint.append(*runs > 0); }
};

class AfterFirstFrameTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hiddenWindowGetsTheWorkWhenTheLoopRuns();
    void shownWindowGetsItAfterItsFirstPaint();
    void inputToAWatchedWidgetRunsItFirst();
};

void AfterFirstFrameTest::hiddenWindowGetsTheWorkWhenTheLoopRuns()
{
    QWidget window;
    int runs = 0;
    auto *startup = new AfterFirstFrame(&window, [&runs] { ++runs; });
    QCOMPARE(startup->parent(), &window);
    QCOMPARE(runs, 0);
    QTRY_COMPARE(runs, 1);
    QVERIFY(startup->hasRun());
    startup->run();
    QTest::qWait(20);
    QCOMPARE(runs, 1);
}

void AfterFirstFrameTest::shownWindowGetsItAfterItsFirstPaint()
{
    PaintRecorder window;
    int runs = 0;
    window.runs = &runs;
    new AfterFirstFrame(&window, [&runs] { ++runs; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(runs, 1);
    QVERIFY(!window.workDoneAtPaint.isEmpty());
    QCOMPARE(window.workDoneAtPaint.first(), false);
    window.repaint();
    QTest::qWait(20);
    QCOMPARE(runs, 1);
}

void AfterFirstFrameTest::inputToAWatchedWidgetRunsItFirst()
{
    QWidget window;
    auto *field = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(field);
    QString textWhenRun;
    auto *startup = new AfterFirstFrame(&window, [&] { textWhenRun = field->text(); });
    startup->runBeforeInputTo(field);
    window.show();
    // The key comes before the event loop has run: the work is done before it is typed.
    QTest::keyClicks(field, QStringLiteral("ab"));
    QVERIFY(startup->hasRun());
    QCOMPARE(textWhenRun, QString());
    QCOMPARE(field->text(), QStringLiteral("ab"));
}

QTEST_MAIN(AfterFirstFrameTest)
#include "tst_afterfirstframe.moc"
