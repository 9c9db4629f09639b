// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/kavdesktop.h"
#include "desktop/helpwindow.h"

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWindow>

class HelpWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheHandbook();
    void laterCallsReuseTheWindow();
    void topicScrollsToItsSection();
    void doesNotKeepTheApplicationRunning();
    void closesWithEscapeAndCtrlW_data();
    void closesWithEscapeAndCtrlW();
    void opensCentredOnItsParent();

private:
    static QList<HelpWindow *> helpWindows();
};

QList<HelpWindow *> HelpWindowTest::helpWindows()
{
    QList<HelpWindow *> windows;
    const QWidgetList widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (auto *window = qobject_cast<HelpWindow *>(widget))
            windows.append(window);
    }
    return windows;
}

void HelpWindowTest::showsTheHandbook()
{
    HelpWindow::setApplicationName(QStringLiteral("Kav command runner"));
    kavHelpShow(QString());
    QCOMPARE(helpWindows().size(), 1);
    HelpWindow *window = helpWindows().first();
    QVERIFY(window->isVisible());
    QVERIFY(window->isWindow());
    QCOMPARE(window->windowTitle(), QStringLiteral("Kav command runner Handbook"));
    const QString text = window->toPlainText();
    for (const char *section :
        { "What you can type", "Advanced options", "Using the keyboard", "--priority" })
        QVERIFY2(text.contains(QLatin1String(section)), section);
}

void HelpWindowTest::laterCallsReuseTheWindow()
{
    kavHelpShow(QString());
    HelpWindow *first = helpWindows().value(0);
    QVERIFY(first);
    first->close();
    QVERIFY(!first->isVisible());

    kavHelpShow(QString());
    kavHelpShow(QString());
    QCOMPARE(helpWindows().size(), 1);
    QCOMPARE(helpWindows().first(), first);
    QVERIFY(first->isVisible());
}

void HelpWindowTest::topicScrollsToItsSection()
{
    HelpWindow window;
    window.resize(400, 200);
    window.showTopic(QStringLiteral("options"));
    QTRY_VERIFY(window.verticalScrollBar()->value() > 0);
    window.showTopic(QString());
    QTRY_COMPARE(window.verticalScrollBar()->value(), 0);
}

void HelpWindowTest::doesNotKeepTheApplicationRunning()
{
    HelpWindow window;
    QVERIFY(!window.testAttribute(Qt::WA_QuitOnClose));
}

void HelpWindowTest::closesWithEscapeAndCtrlW_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Escape") << QKeySequence(Qt::Key_Escape);
    QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W);
}

void HelpWindowTest::closesWithEscapeAndCtrlW()
{
    QFETCH(QKeySequence, keys);
    HelpWindow window;
    window.showTopic(QString());
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keySequence(&window, keys);
    QVERIFY(!window.isVisible());
}

void HelpWindowTest::opensCentredOnItsParent()
{
    QWidget dialog;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    dialog.setGeometry(
        QRect(QPoint(), QSize(300, 120)).translated(screen.center() - QPoint(150, 60)));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *window = new HelpWindow(&dialog);
    window->showTopic(QString());
    QVERIFY(window->isWindow());
    QCOMPARE(window->windowHandle()->transientParent(), dialog.windowHandle());
    // Placed before it has a frame, the window may lie off by the frame's size.
    const QSize frame = window->frameGeometry().size() - window->size();
    const QPoint offset = window->frameGeometry().center() - dialog.frameGeometry().center();
    QVERIFY(qAbs(offset.x()) <= frame.width() && qAbs(offset.y()) <= frame.height());

    // Over a dialog in a corner it stays on the screen.
    window->close();
    dialog.move(screen.bottomRight() - QPoint(300, 120));
    window->showTopic(QString());
    QVERIFY(screen.contains(window->frameGeometry()));
}

QTEST_MAIN(HelpWindowTest)
#include "tst_helpwindow.moc"
