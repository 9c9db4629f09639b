// SPDX-License-Identifier: GPL-2.0-or-later
// The companion program, driven by hand over a real terminal: the requests it
// makes, what reaches the command, and how it ends.
#include "su/ptyprocess.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTest>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

static QByteArray tavrinePath()
{
    return qgetenv("KAVRUN_BINARY_DIR") + "/stub/tavrine";
}

static const QList<QByteArray> requestOrder = { "tavrine", "display", "display_auth", "command",
    "path", "xwindows_only", "user", "priority", "scheduler", "app_startup_id", "environment" };

// One run of tavrine: every request is answered from the table.
struct Conversation
{
    QMap<QByteArray, QByteArray> answers = {
        { "tavrine", "ok" },
        { "display", "no" },
        { "display_auth", "" },
        { "command", "true" },
        { "path", "/usr/bin:/bin" },
        { "xwindows_only", "no" },
        { "user", "root" },
        { "priority", "0" },
        { "scheduler", "normal" },
        { "app_startup_id", "0" },
    };
    QList<QByteArray> environment;
    // Leaves echo as a fresh terminal has it, the way sudo's own terminal does.
    bool parentSwitchesEchoOff = true;

    QList<QByteArray> requests; // what tavrine asked, "end" included
    QByteArray output; // everything it wrote after "end"
    int exitStatus = -1; // its exit code, or -1 when it did not exit normally

    bool run()
    {
        PtyProcess process;
        if (process.startChild(tavrinePath(), { QByteArrayLiteral("-") }) != 0)
            return false;
        for (QByteArray line = process.nextLine(true); !line.isNull();
             line = process.nextLine(true)) {
            requests.append(line);
            if (line == "end")
                break;
            if (line == "tavrine" && parentSwitchesEchoOff)
                process.setTerminalEcho(false);
            if (line == "environment") {
                for (const QByteArray &entry : qAsConst(environment))
                    process.sendLine(entry);
                process.sendLine(QByteArray());
            } else if (answers.contains(line)) {
                process.sendLine(answers.value(line));
            } else {
                kill(process.childPid(), SIGKILL); // it would wait for an answer forever
                break;
            }
        }
        for (QByteArray chunk = process.readAvailable(true); !chunk.isNull();
             chunk = process.readAvailable(true))
            output += chunk;
        int status = 0;
        if (waitpid(process.childPid(), &status, 0) != process.childPid())
            return false;
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return true;
    }
};

class TavrineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void linksAgainstLibcOnly();
    void asksInOrderAndPassesTheExitStatus_data();
    void asksInOrderAndPassesTheExitStatus();
    void stopEndsAtOnce();
    void setsUpTheEnvironment();
    void answersAreNotEchoedAndTheTerminalIsRestored();
    void longAnswersRunWhole_data();
    void longAnswersRunWhole();
    void displayNoInstallsNothing();
    void localhostDisplayInstallsATemporaryAuthority();
    void missingXauthStillRemovesTheAuthorityFile();
    void unknownUserIsRefused();
    void negativePriority();
    void realtimeScheduling();
    void changesToAnotherUser();
    void endOfInputWhileAsking();
};

void TavrineTest::initTestCase()
{
    QVERIFY2(QFile::exists(QFile::decodeName(tavrinePath())), tavrinePath().constData());
}

void TavrineTest::linksAgainstLibcOnly()
{
    QProcess readelf;
    readelf.start(
        QStringLiteral("readelf"), { QStringLiteral("-d"), QFile::decodeName(tavrinePath()) });
    QVERIFY(readelf.waitForFinished());
    QCOMPARE(readelf.exitCode(), 0);
    QStringList needed;
    const QStringList lines =
        QString::fromLocal8Bit(readelf.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.contains(QLatin1String("(NEEDED)")))
            needed.append(line.section(QLatin1Char('['), 1).section(QLatin1Char(']'), 0, 0));
    }
    QCOMPARE(needed, QStringList { QStringLiteral("libc.so.6") });
}

void TavrineTest::asksInOrderAndPassesTheExitStatus_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("exitStatus");
    QTest::newRow("success") << QByteArray("exit 0") << 0;
    QTest::newRow("failure") << QByteArray("exit 7") << 7;
    QTest::newRow("signal") << QByteArray("kill -KILL $$") << 1;
    QTest::newRow("no such command") << QByteArray("/nonexistent/command") << 127;
}

void TavrineTest::asksInOrderAndPassesTheExitStatus()
{
    QFETCH(QByteArray, command);
    QFETCH(int, exitStatus);
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("command")] = command;
    QVERIFY(conversation.run());
    QCOMPARE(conversation.requests, requestOrder + QList<QByteArray> { "end" });
    QCOMPARE(conversation.exitStatus, exitStatus);
}

void TavrineTest::stopEndsAtOnce()
{
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("tavrine")] = "stop";
    conversation.answers[QByteArrayLiteral("command")] = "exit 5";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.requests, (QList<QByteArray> { "tavrine", "end" }));
    QCOMPARE(conversation.output, QByteArray());
    QCOMPARE(conversation.exitStatus, 0);
}

void TavrineTest::setsUpTheEnvironment()
{
    Conversation conversation;
    conversation.environment = { "KAVRUN_FIRST=one", "KAVRUN_SECOND=two words" };
    conversation.answers[QByteArrayLiteral("path")] = "/usr/bin:/bin:/kavrun/test";
    conversation.answers[QByteArrayLiteral("app_startup_id")] = "startup-42";
    conversation.answers[QByteArrayLiteral("command")] =
        "echo \"[$KAVRUN_FIRST|$KAVRUN_SECOND|$PATH|$DESKTOP_STARTUP_ID|$HOME|${LC_ALL-unset}]\"";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 0);
    QVERIFY2(conversation.output.contains(
                 "[one|two words|/usr/bin:/bin:/kavrun/test|startup-42|/root|unset]"),
        conversation.output.constData());
}

void TavrineTest::answersAreNotEchoedAndTheTerminalIsRestored()
{
    Conversation conversation;
    conversation.parentSwitchesEchoOff = false;
    conversation.answers[QByteArrayLiteral("command")] = "stty -a";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.requests, requestOrder + QList<QByteArray> { "end" });
    // As found: echo and line editing on, output processing off.
    const QByteArray modes = conversation.output.simplified() + ' ';
    QVERIFY2(modes.contains(" echo ") && modes.contains(" icanon ") && modes.contains(" -opost "),
        conversation.output.constData());
}

void TavrineTest::longAnswersRunWhole_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("6000 bytes") << 6000;
    QTest::newRow("8191 bytes") << 8191;
    QTest::newRow("100000 bytes") << 100000;
}

void TavrineTest::longAnswersRunWhole()
{
    QFETCH(int, length);
    Conversation conversation;
    const QByteArray word(length, 'x');
    conversation.answers[QByteArrayLiteral("command")] =
        "printf %s " + word + " | wc -c; echo \"[$PATH]\"";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 0);
    // The answers after the long one are still in their places.
    const QList<QByteArray> lines = conversation.output.simplified().split(' ');
    QCOMPARE(lines, (QList<QByteArray> { QByteArray::number(length), "[/usr/bin:/bin]" }));
}

void TavrineTest::displayNoInstallsNothing()
{
    qputenv("DISPLAY", ":kavrun-inherited");
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("display_auth")] = "MIT-MAGIC-COOKIE-1 00112233";
    conversation.answers[QByteArrayLiteral("command")] = "echo \"[$DISPLAY|${XAUTHORITY-unset}]\"";
    QVERIFY(conversation.run());
    qunsetenv("DISPLAY");
    QVERIFY2(
        conversation.output.contains("[:kavrun-inherited|unset]"), conversation.output.constData());
}

void TavrineTest::localhostDisplayInstallsATemporaryAuthority()
{
    const QByteArray cookie = "0123456789abcdef0123456789abcdef";
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("display")] = "localhost:93";
    conversation.answers[QByteArrayLiteral("display_auth")] = "MIT-MAGIC-COOKIE-1 " + cookie;
    conversation.answers[QByteArrayLiteral("command")] =
        "echo \"[$DISPLAY]\"; echo \"[$XAUTHORITY]\"; stat -c '[%a]' \"$XAUTHORITY\"; xauth list";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 0);

    const QList<QByteArray> lines = conversation.output.split('\n');
    QVERIFY2(lines.size() >= 4, conversation.output.constData());
    QCOMPARE(lines.at(0).trimmed(), QByteArray("[localhost:93]"));
    const QByteArray authorityFile = lines.at(1).trimmed().mid(1).chopped(1);
    QVERIFY2(authorityFile.startsWith("/tmp/xauth.") && authorityFile.size() == 21,
        authorityFile.constData());
    QCOMPARE(lines.at(2).trimmed(), QByteArray("[600]"));
    // Filed under ":93": without the word localhost, xauth would add a TCP entry.
    QVERIFY2(lines.at(3).simplified().endsWith("/unix:93 MIT-MAGIC-COOKIE-1 " + cookie),
        conversation.output.constData());
    QVERIFY(!QFile::exists(QFile::decodeName(authorityFile)));
}

void TavrineTest::missingXauthStillRemovesTheAuthorityFile()
{
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("display")] = ":93";
    conversation.answers[QByteArrayLiteral("display_auth")] = "MIT-MAGIC-COOKIE-1 00112233";
    conversation.answers[QByteArrayLiteral("path")] = "/kavrun/nothing/here";
    conversation.answers[QByteArrayLiteral("command")] = "echo \"[$XAUTHORITY]\"; exit 3";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 3);
    const int start = conversation.output.indexOf("[/tmp/xauth.");
    QVERIFY2(start >= 0, conversation.output.constData());
    const QByteArray authorityFile = conversation.output.mid(start + 1, 21);
    QVERIFY(!QFile::exists(QFile::decodeName(authorityFile)));
}

void TavrineTest::unknownUserIsRefused()
{
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("user")] = "kavrun-no-such-user";
    conversation.answers[QByteArrayLiteral("command")] = "echo ran";
    QVERIFY(conversation.run());
    QCOMPARE(
        conversation.output, QByteArray("tavrine: user kavrun-no-such-user does not exist!\n"));
    QCOMPARE(conversation.exitStatus, 1);
}

void TavrineTest::negativePriority()
{
    if (getuid() != 0)
        QSKIP("raising the priority needs root");
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("priority")] = "-5";
    conversation.answers[QByteArrayLiteral("command")] = "ps -o ni= -p $$";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.output.trimmed(), QByteArray("-5"));
}

void TavrineTest::realtimeScheduling()
{
    if (getuid() != 0)
        QSKIP("real-time scheduling needs root");
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("priority")] = "7";
    conversation.answers[QByteArrayLiteral("scheduler")] = "realtime";
    conversation.answers[QByteArrayLiteral("command")] = "echo; chrt -p $$";
    QVERIFY(conversation.run());
    if (!conversation.output.contains("SCHED_FIFO"))
        QSKIP("this system does not grant real-time scheduling");
    const QList<QByteArray> lines = conversation.output.split('\n');
    QCOMPARE(lines.at(0), QByteArray("priority = 7"));
    QVERIFY2(
        lines.at(1).endsWith("current scheduling policy: SCHED_FIFO"), lines.at(1).constData());
    QVERIFY2(lines.at(2).endsWith("current scheduling priority: 7"), lines.at(2).constData());
}

void TavrineTest::changesToAnotherUser()
{
    if (getuid() != 0)
        QSKIP("changing to another user needs root");
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("user")] = "nobody";
    conversation.answers[QByteArrayLiteral("display")] = ":93";
    conversation.answers[QByteArrayLiteral("display_auth")] = "MIT-MAGIC-COOKIE-1 00112233";
    conversation.answers[QByteArrayLiteral("command")] =
        "echo \"[$(id -u) $(id -g) $(id -G) $HOME]\"; stat -c '[%U]' \"$XAUTHORITY\"";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 0);
    QCOMPARE(
        conversation.output.simplified(), QByteArray("[65534 65534 65534 /nonexistent] [nobody]"));
}

void TavrineTest::endOfInputWhileAsking()
{
    QProcess tavrine;
    tavrine.start(QFile::decodeName(tavrinePath()), { QStringLiteral("-") });
    QVERIFY(tavrine.waitForStarted());
    tavrine.write("ok\n:0\n");
    tavrine.closeWriteChannel();
    QVERIFY(tavrine.waitForFinished());
    QCOMPARE(tavrine.exitCode(), 1);
    QCOMPARE(tavrine.readAllStandardOutput(), QByteArray("tavrine\ndisplay\ndisplay_auth\nend\n"));
    QVERIFY(tavrine.readAllStandardError().startsWith("tavrine: fgets(): "));
}

QTEST_GUILESS_MAIN(TavrineTest)
#include "tst_tavrine.moc"
