// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/desktopexec.h"

#include "tests/common/shellwords.h"

#include <QProcess>
#include <QTest>

class DesktopExecTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void expandsFieldCodes_data();
    void expandsFieldCodes();
    void launchesWithExpandedArguments();
};

void DesktopExecTest::expandsFieldCodes_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QStringList>("expected");

    const QString noIcon;
    const QString icon = QStringLiteral("kav-editor");
    QTest::newRow("%U without arguments") << QStringLiteral("editor %U") << QString() << icon
                                          << QStringList { QStringLiteral("editor") };
    QTest::newRow("%U with arguments")
        << QStringLiteral("editor --new %U") << QStringLiteral("a.txt \"my notes.txt\"") << icon
        << QStringList { QStringLiteral("editor"), QStringLiteral("--new"), QStringLiteral("a.txt"),
               QStringLiteral("my notes.txt") };
    for (const char *code : { "%f", "%F", "%u" }) {
        QTest::addRow("%s", code) << QStringLiteral("viewer %1").arg(QLatin1String(code))
                                  << QStringLiteral("x.png") << noIcon
                                  << QStringList { QStringLiteral("viewer"),
                                         QStringLiteral("x.png") };
    }
    // One start per file; the expected words of each start end with a line break.
    QTest::newRow("%f with two files")
        << QStringLiteral("viewer --one %f") << QStringLiteral("a.png \"b c.png\"") << noIcon
        << QStringList { QStringLiteral("viewer"), QStringLiteral("--one"), QStringLiteral("a.png"),
               QStringLiteral("\n"), QStringLiteral("viewer"), QStringLiteral("--one"),
               QStringLiteral("b c.png") };
    QTest::newRow("%f inside a word")
        << QStringLiteral("viewer --file=%f") << QStringLiteral("x.png") << noIcon
        << QStringList { QStringLiteral("viewer"), QStringLiteral("--file=x.png") };
    QTest::newRow("%i with icon") << QStringLiteral("editor %i %U") << QString() << icon
                                  << QStringList { QStringLiteral("editor"),
                                         QStringLiteral("--icon"), icon };
    QTest::newRow("%i without icon") << QStringLiteral("editor %i") << QString() << noIcon
                                     << QStringList { QStringLiteral("editor") };
    QTest::newRow("%c with blanks")
        << QStringLiteral("editor --caption %c") << QString() << noIcon
        << QStringList { QStringLiteral("editor"), QStringLiteral("--caption"),
               QStringLiteral("Kav \"Text\" Editor") };
    QTest::newRow("%k") << QStringLiteral("editor --desktop-file=%k") << QString() << noIcon
                        << QStringList { QStringLiteral("editor"),
                               QStringLiteral("--desktop-file=/apps/kav editor.desktop") };
    QTest::newRow("%%") << QStringLiteral("printf 100%%") << QString() << noIcon
                        << QStringList { QStringLiteral("printf"), QStringLiteral("100%") };
    QTest::newRow("deprecated codes vanish")
        << QStringLiteral("old %d %D %n %N %v %m -x%m") << QString() << icon
        << QStringList { QStringLiteral("old"), QStringLiteral("-x") };
    QTest::newRow("quoted Exec words")
        << QStringLiteral("\"/opt/kav apps/run\" \"say \\\"hi\\\" \\$HOME \\\\\" %F")
        << QStringLiteral("a") << noIcon
        << QStringList { QStringLiteral("/opt/kav apps/run"), QStringLiteral("say \"hi\" $HOME \\"),
               QStringLiteral("a") };
    QTest::newRow("empty and blank-holding arguments stay as written")
        << QStringLiteral("run \"\" \"a   b\" %F") << QString() << noIcon
        << QStringList { QStringLiteral("run"), QString(), QStringLiteral("a   b") };
    QTest::newRow("shell quoting of a script")
        << QStringLiteral("sh -c 'echo \"$1\" | tr a b' sh a\\ b \"x\\y\"") << QString() << noIcon
        << QStringList { QStringLiteral("sh"), QStringLiteral("-c"),
               QStringLiteral("echo \"$1\" | tr a b"), QStringLiteral("sh"), QStringLiteral("a b"),
               QStringLiteral("x\\y") };
    QTest::newRow("typed quotes stay literal inside arguments")
        << QStringLiteral("cat %F") << QStringLiteral("\"a\"\"\"b\"") << noIcon
        << QStringList { QStringLiteral("cat"), QStringLiteral("a\"b") };
    QTest::newRow("trailing percent")
        << QStringLiteral("tool 5%") << QString() << noIcon
        << QStringList { QStringLiteral("tool"), QStringLiteral("5%") };
    QTest::newRow("typed words follow an Exec without file codes")
        << QStringLiteral("xterm %i") << QStringLiteral("-e top \"a b\" $HOME") << icon
        << QStringList { QStringLiteral("xterm"), QStringLiteral("--icon"), icon,
               QStringLiteral("-e"), QStringLiteral("top"), QStringLiteral("a b"),
               QStringLiteral("$HOME") };
    QTest::newRow("%%f is no file code")
        << QStringLiteral("printf %%f") << QStringLiteral("x") << noIcon
        << QStringList { QStringLiteral("printf"), QStringLiteral("%f"), QStringLiteral("x") };
    QTest::newRow("typed home folders")
        << QStringLiteral("viewer %F --file=%f") << QStringLiteral("~/a \"~/b\"") << noIcon
        << QStringList { QStringLiteral("viewer"), QStringLiteral("/tmp/kav home/a"),
               QStringLiteral("~/b"), QStringLiteral("--file=/tmp/kav home/a ~/b") };
}

void DesktopExecTest::expandsFieldCodes()
{
    QFETCH(QString, exec);
    QFETCH(QString, arguments);
    QFETCH(QString, icon);
    QFETCH(QStringList, expected);
    const DesktopEntryFields fields { icon, QStringLiteral("Kav \"Text\" Editor"),
        QStringLiteral("/apps/kav editor.desktop") };
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", "/tmp/kav home");
    const QStringList lines =
        expandDesktopExec(exec, arguments, fields, LineConsumer::DetachedStart);
    const QStringList shellLines = expandDesktopExec(exec, arguments, fields, LineConsumer::Shell);
    QStringList received;
    QStringList shellReceived;
    for (int start = 0; start < lines.size(); ++start) {
        const QStringList startEnd =
            start > 0 ? QStringList { QStringLiteral("\n") } : QStringList();
        received += startEnd;
        // Split as the detached start splits it.
        for (const CommandWord &word : splitCommandWords(lines.at(start)))
            received += word.text;
        shellReceived += startEnd + shellWords(shellLines.value(start));
    }
    qputenv("HOME", savedHome);
    QCOMPARE(received, expected);
    QCOMPARE(shellReceived, expected);
    QVERIFY(!lines.join(QString()).contains(QLatin1String("%U")));
}

void DesktopExecTest::launchesWithExpandedArguments()
{
    const DesktopEntryFields fields { QStringLiteral("kav icon"), QStringLiteral("Name"),
        QString() };
    QStringList words = QProcess::splitCommand(
        expandDesktopExec(QStringLiteral("/bin/sh -c \"printf '%%s|' \\\"\\$@\\\"\" sh %i %U"),
            QStringLiteral("one \"two words\""), fields, LineConsumer::DetachedStart)
            .value(0));
    QProcess process;
    process.start(words.takeFirst(), words);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.readAllStandardOutput(), QByteArray("--icon|kav icon|one|two words|"));
}

QTEST_GUILESS_MAIN(DesktopExecTest)
#include "tst_desktopexec.moc"
