// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/xvfbserver.h"
#include "../e2e/xdriver.h"
#include "app/handover.h"
#include "app/instancekeyboardhold.h"

#include <QFile>
#include <QTest>

#include <unistd.h>

class HandOverTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneInstancePerServer_data();
    void oneInstancePerServer();
    void runningInstanceHoldsTheKeyboardUntilReleased();
};

void HandOverTest::oneInstancePerServer_data()
{
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("identifier");

    QTest::newRow("local") << QByteArray() << QByteArray(":0") << QByteArray("kav-run@:0");
    QTest::newRow("screen dropped")
        << QByteArray("xcb") << QByteArray(":0.1") << QByteArray("kav-run@:0");
    QTest::newRow("local through unix")
        << QByteArray() << QByteArray("unix:12.0") << QByteArray("kav-run@:12");
    QTest::newRow("over TCP to this host")
        << QByteArray() << QByteArray("localhost:10.0") << QByteArray("kav-run@localhost:10");
    QTest::newRow("another host") << QByteArray() << QByteArray("host.example:0.2")
                                  << QByteArray("kav-run@host.example:0");
    QTest::newRow("another platform")
        << QByteArray("offscreen") << QByteArray(":0") << QByteArray("kav-run@offscreen");
    QTest::newRow("platform with options")
        << QByteArray("wayland:foo") << QByteArray() << QByteArray("kav-run@wayland");
}

void HandOverTest::oneInstancePerServer()
{
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, identifier);
    qputenv("QT_QPA_PLATFORM", platform);
    qputenv("DISPLAY", display);
    char program[] = "kav-run";
    char *argv[] = { program, nullptr };
    QCOMPARE(QByteArray::fromStdString(HandOver::instanceIdentifier(1, argv)), identifier);

    // The toolkit's -display option wins, as the toolkit opens that display.
    char option[] = "-display";
    char other[] = ":7.0";
    char *withOption[] = { program, option, other, nullptr };
    if (platform.isEmpty() || platform == "xcb")
        QCOMPARE(HandOver::instanceIdentifier(3, withOption), std::string("kav-run@:7"));
}

// A running kav-run holds the keyboard for a later start until the release
// comes, one hold at a time, and again for the next start.
void HandOverTest::runningInstanceHoldsTheKeyboardUntilReleased()
{
    XvfbServer server;
    QVERIFY(server.start());
    const XDriver x(server);
    qputenv("XAUTHORITY", QFile::encodeName(server.authorityFile()));
    InstanceKeyboardHold hold(server.display().toStdString());
    for (int start = 0; start < 2; ++start) {
        const int release = hold.hold();
        QVERIFY(release >= 0);
        QTRY_VERIFY(x.keyboardIsGrabbed());
        QCOMPARE(hold.hold(), -1);
        close(release);
        QTRY_VERIFY(!x.keyboardIsGrabbed());
    }
    QCOMPARE(InstanceKeyboardHold(server.display().toStdString() + "9").hold(), -1);
}

QTEST_APPLESS_MAIN(HandOverTest)
#include "tst_handover.moc"
