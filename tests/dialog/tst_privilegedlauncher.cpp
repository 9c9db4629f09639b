// SPDX-License-Identifier: GPL-2.0-or-later
// Wiping a field's text: the field's own copy goes, a copy shared beyond it
// (a history entry, a constant) stays as it is.
#include "dialog/privilegedlauncher.h"

#include <QLineEdit>
#include <QTest>

class PrivilegedLauncherTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wipeLineEditLeavesSharedTextAlone();
};

void PrivilegedLauncherTest::wipeLineEditLeavesSharedTextAlone()
{
    const QString historyEntry = QStringLiteral("kavmark shared with the history");
    const QString copy(historyEntry.constData(), historyEntry.size());
    QLineEdit field;
    field.setText(historyEntry);
    wipeLineEdit(&field);
    QVERIFY(field.text().isEmpty());
    QCOMPARE(historyEntry, copy);

    QLineEdit typed;
    QTest::keyClicks(&typed, QStringLiteral("typed secret"));
    wipeLineEdit(&typed);
    QVERIFY(typed.text().isEmpty());
}

QTEST_MAIN(PrivilegedLauncherTest)
#include "tst_privilegedlauncher.moc"
