// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/xvfbserver.h"
#include "../e2e/xdriver.h"
#include "app/instancekeyboardhold.h"

#include <QFile>
#include <QTest>

#include <unistd.h>

class InstanceKeyboardHoldTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void holdsTheKeyboardUntilReleased();
};

// A running kav-run holds the keyboard for a later start until the release
// comes, one hold at a time, and again for the next start.
void InstanceKeyboardHoldTest::holdsTheKeyboardUntilReleased()
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

QTEST_APPLESS_MAIN(InstanceKeyboardHoldTest)
#include "tst_instancekeyboardhold.moc"
