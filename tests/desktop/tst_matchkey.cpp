// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/matchkey.h"

#include <QTest>

Q_DECLARE_METATYPE(MatchClass)

class TestMatchKey : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void classifiesHowWellATextMatches_data();
    void classifiesHowWellATextMatches();
};

void TestMatchKey::classifiesHowWellATextMatches_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<MatchClass>("quality");
    QTest::newRow("start") << QStringLiteral("make") << QStringLiteral("ma") << MatchClass::Start;
    QTest::newRow("whole later word")
        << QStringLiteral("Text Editor") << QStringLiteral("editor") << MatchClass::Start;
    QTest::newRow("later word start")
        << QStringLiteral("Text Editor") << QStringLiteral("EDI") << MatchClass::WordStart;
    QTest::newRow("hump") << QStringLiteral("LibreOffice") << QStringLiteral("off")
                          << MatchClass::WordStart;
    QTest::newRow("initials") << QStringLiteral("gnome-disks") << QStringLiteral("gd")
                              << MatchClass::Initials;
    QTest::newRow("initials of humps, skipping a word")
        << QStringLiteral("LibreOffice Writer") << QStringLiteral("lw") << MatchClass::Initials;
    QTest::newRow("initials from the first word only")
        << QStringLiteral("gnome-disks") << QStringLiteral("dg") << MatchClass::None;
    QTest::newRow("inside a word")
        << QStringLiteral("stop") << QStringLiteral("to") << MatchClass::Substring;
    QTest::newRow("one letter inside a word")
        << QStringLiteral("stop") << QStringLiteral("t") << MatchClass::None;
    QTest::newRow("accents") << QStringLiteral("Éditeur de texte") << QStringLiteral("edite")
                             << MatchClass::Start;
    QTest::newRow("decomposed accents")
        << QStringLiteral("Cafe\u0301 Cre\u0300me") << QStringLiteral("creme") << MatchClass::Start;
    QTest::newRow("nothing typed") << QStringLiteral("make") << QString() << MatchClass::None;
}

void TestMatchKey::classifiesHowWellATextMatches()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(MatchClass, quality);
    QCOMPARE(int(MatchKey(name).match(MatchKey::folded(typed))), int(quality));
}

QTEST_GUILESS_MAIN(TestMatchKey)
#include "tst_matchkey.moc"
