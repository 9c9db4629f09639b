// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/kavdesktop.h"
#include "desktop/helpwindow.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

class HelpWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheHandbook();
    void laterCallsReuseTheWindow();
    void topicScrollsToItsSection();
    void doesNotKeepTheApplicationRunning();

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
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Kav command runner"));
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

QTEST_MAIN(HelpWindowTest)
#include "tst_helpwindow.moc"
