// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/commandwords.h"

#include "tests/common/shellwords.h"

#include <QProcess>
#include <QTest>

static const char home[] = "/tmp/kav run home";

class CommandWordsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void splitsAsTheDetachedStartDoes();
    void everyConsumerReceivesTheTypedWords_data();
    void everyConsumerReceivesTheTypedWords();

private:
    QByteArray savedHome;
};

void CommandWordsTest::initTestCase()
{
    savedHome = qgetenv("HOME");
    qputenv("HOME", home);
}

void CommandWordsTest::cleanupTestCase()
{
    qputenv("HOME", savedHome);
}

void CommandWordsTest::splitsAsTheDetachedStartDoes()
{
    const QStringList texts = { QStringLiteral("  a  b\tc "), QStringLiteral("\"a b\" c"),
        QStringLiteral("x\"\"\"y\"\"\"z"), QStringLiteral("\"\" \"unclosed a b"),
        QStringLiteral("\"\"\"\"\" a\"\"b"), QStringLiteral("~/\"a b\" \"~\" ~\"\"/c") };
    for (const QString &text : texts) {
        QStringList words;
        for (const CommandWord &word : splitCommandWords(text))
            words += word.text;
        // Except that a word of quotes alone is an empty word, which QProcess drops.
        words.removeAll(QString());
        QCOMPARE(words, QProcess::splitCommand(text));
    }
    QCOMPARE(splitCommandWords(QStringLiteral("printf \"\" \"\"\"\"")).size(), 3);
}

void CommandWordsTest::everyConsumerReceivesTheTypedWords_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("received");
    const QString home = QLatin1String(::home);
    QTest::newRow("plain") << QStringLiteral("ls -l /tmp")
                           << QStringList { QStringLiteral("ls"), QStringLiteral("-l"),
                                  QStringLiteral("/tmp") };
    QTest::newRow("grouped and literal quotes")
        << QStringLiteral("echo \"two words\" say\"\"\"hi\"\"\"")
        << QStringList { QStringLiteral("echo"), QStringLiteral("two words"),
               QStringLiteral("say\"hi\"") };
    QTest::newRow("shell characters stay literal")
        << QStringLiteral("echo $HOME 'a' `id` ; & | > * \\ %x a=b")
        << QStringList { QStringLiteral("echo"), QStringLiteral("$HOME"), QStringLiteral("'a'"),
               QStringLiteral("`id`"), QStringLiteral(";"), QStringLiteral("&"),
               QStringLiteral("|"), QStringLiteral(">"), QStringLiteral("*"), QStringLiteral("\\"),
               QStringLiteral("%x"), QStringLiteral("a=b") };
    QTest::newRow("home") << QStringLiteral("ls ~ ~/ ~/notes.txt ~/\"my notes\"")
                          << QStringList { QStringLiteral("ls"), home, home + QLatin1Char('/'),
                                 home + QStringLiteral("/notes.txt"),
                                 home + QStringLiteral("/my notes") };
    QTest::newRow("home of a named user") << QStringLiteral(
        "~root ~root/bin") << QStringList { QStringLiteral("/root"), QStringLiteral("/root/bin") };
    QTest::newRow("unknown user") << QStringLiteral("ls ~zz-kavrun-nobody/x")
                                  << QStringList { QStringLiteral("ls"),
                                         QStringLiteral("~zz-kavrun-nobody/x") };
    QTest::newRow("quoted or inner tildes stay")
        << QStringLiteral("ls \"~\" \"~/a\" ~\"\"/b x~/c a/~ ~\"root\"")
        << QStringList { QStringLiteral("ls"), QStringLiteral("~"), QStringLiteral("~/a"),
               QStringLiteral("~/b"), QStringLiteral("x~/c"), QStringLiteral("a/~"),
               QStringLiteral("~root") };
}

void CommandWordsTest::everyConsumerReceivesTheTypedWords()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, received);
    QCOMPARE(
        QProcess::splitCommand(typedCommandLine(typed, LineConsumer::DetachedStart)), received);
    QCOMPARE(shellWords(typedCommandLine(typed, LineConsumer::Shell)), received);
}

QTEST_GUILESS_MAIN(CommandWordsTest)
#include "tst_commandwords.moc"
