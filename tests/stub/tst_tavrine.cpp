// SPDX-License-Identifier: GPL-2.0-or-later
// The companion program, driven by hand over a real terminal: the requests it
// makes, what reaches the command, and how it ends.
#include "su/ptyprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
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
    // Starts tavrine with descriptor 9 open, as a careless su could.
    bool inheritsADescriptor = false;
    // Sent to tavrine instead of the answer to the request signalAt.
    QByteArray signalAt;
    int signalNumber = 0;

    QList<QByteArray> requests; // what tavrine asked, "end" included
    QByteArray output; // everything it wrote after "end"
    int exitStatus = -1; // its exit code, or -1 when it did not exit normally
    bool lineModesAtEnd = false; // echo, line editing and CR as line end on, as at the start

    bool run()
    {
        PtyProcess process;
        const int started = inheritsADescriptor
            ? process.startChild("/bin/sh",
                { QByteArrayLiteral("-c"), QByteArrayLiteral("exec 9</dev/null; exec \"$0\" -"),
                    tavrinePath() })
            : process.startChild(tavrinePath(), { QByteArrayLiteral("-") });
        if (started != 0)
            return false;
        for (QByteArray line = process.nextLine(true); !line.isNull();
             line = process.nextLine(true)) {
            requests.append(line);
            if (line == "end")
                break;
            if (line == "tavrine" && parentSwitchesEchoOff)
                process.setTerminalEcho(false);
            if (line == signalAt) {
                kill(process.childPid(), signalNumber);
            } else if (line == "environment") {
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
        struct termios modes;
        lineModesAtEnd = tcgetattr(process.terminalFd(), &modes) == 0
            && (modes.c_lflag & (ECHO | ICANON)) == (ECHO | ICANON) && (modes.c_iflag & ICRNL);
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
    void inheritedDescriptorsDoNotReachTheCommand();
    void setsUpTheEnvironment();
    void environmentRules_data();
    void environmentRules();
    void answersAreNotEchoedAndTheTerminalIsRestored();
    void longAnswersRunWhole_data();
    void longAnswersRunWhole();
    void carriageReturnStaysInItsAnswer();
    void oddAnswersRunNothing_data();
    void oddAnswersRunNothing();
    void displayNoInstallsNothing();
    void localhostDisplayInstallsATemporaryAuthority();
    void missingXauthStillRemovesTheAuthorityFile();
    void xauthOnlyFromAbsoluteFoldersAndNotWaitedForLong();
    void unknownUserIsRefused();
    void negativePriority();
    void realtimeScheduling();
    void changesToAnotherUser();
    void endOfInputWhileAsking();
    void endingSignalsCleanUp_data();
    void endingSignalsCleanUp();
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

void TavrineTest::inheritedDescriptorsDoNotReachTheCommand()
{
    Conversation conversation;
    conversation.inheritsADescriptor = true;
    conversation.answers[QByteArrayLiteral("command")] = "test -e /dev/fd/9 && exit 9; exit 0";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 0);
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
    conversation.environment = { "LANG=de_DE.UTF-8", "LC_TIME=en DK" };
    conversation.answers[QByteArrayLiteral("path")] = "/usr/bin:/bin:/kavrun/test";
    conversation.answers[QByteArrayLiteral("app_startup_id")] = "startup-42";
    conversation.answers[QByteArrayLiteral("command")] =
        "echo \"[$LANG|$LC_TIME|$PATH|$DESKTOP_STARTUP_ID|$HOME|$USER|${LC_ALL-unset}|"
        "${KAVRUN_CALLER-unset}]\"";
    // The same user still gets nothing but what may pass between users: su and sudo change
    // the user before the companion starts.
    qputenv("KAVRUN_CALLER", "kept");
    QVERIFY(conversation.run());
    qunsetenv("KAVRUN_CALLER");
    QCOMPARE(conversation.exitStatus, 0);
    QVERIFY2(conversation.output.contains("[de_DE.UTF-8|en DK|/usr/bin:/bin:/kavrun/test|"
                                          "startup-42|/root|root|unset|unset]"),
        conversation.output.constData());
}

void TavrineTest::environmentRules_data()
{
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<bool>("passes");
    QTest::newRow("language") << QByteArray("LANG=de_DE.UTF-8") << true;
    QTest::newRow("display") << QByteArray("DISPLAY=:5") << true;
    QTest::newRow("terminal") << QByteArray("TERM=xterm-256color") << true;
    QTest::newRow("zone name") << QByteArray("TZ=Europe/Berlin") << true;
    QTest::newRow("zone file") << QByteArray("TZ=:/usr/share/zoneinfo/Europe/Berlin") << true;
    QTest::newRow("POSIX zone") << QByteArray("TZ=CET-1CEST,M3.5.0,M10.5.0/3") << true;
    QTest::newRow("catalogue path") << QByteArray("LANGUAGE=../../../tmp/x/mo") << false;
    QTest::newRow("format in a locale") << QByteArray("LC_MESSAGES=de_DE%n") << false;
    QTest::newRow("no such category") << QByteArray("LC_KAVRUN=C") << false;
    QTest::newRow("terminal path") << QByteArray("TERM=../../tmp/terminfo") << false;
    QTest::newRow("zone file elsewhere") << QByteArray("TZ=/tmp/zone") << false;
    QTest::newRow("zone file out of zoneinfo")
        << QByteArray("TZ=/usr/share/zoneinfo/../../../tmp/zone") << false;
    QTest::newRow("zone name out of zoneinfo") << QByteArray("TZ=Europe/../../../tmp/z") << false;
    QTest::newRow("zone with a blank") << QByteArray("TZ=Europe/Ber lin") << false;
    QTest::newRow("library path") << QByteArray("LD_LIBRARY_PATH=/tmp/kavrun-libs") << false;
    QTest::newRow("shell options") << QByteArray("SHELLOPTS=xtrace") << false;
    QTest::newRow("name only") << QByteArray("LANG") << false;
}

// The same rules for what the caller had and for what the parent sends.
void TavrineTest::environmentRules()
{
    QFETCH(QByteArray, entry);
    QFETCH(bool, passes);
    const QByteArray name = entry.left(entry.indexOf('='));
    const QByteArray command = "env | grep -c '^" + name + "='";

    Conversation inherited;
    inherited.answers[QByteArrayLiteral("command")] = command;
    qputenv(name.constData(), entry.mid(name.size() + 1));
    QVERIFY(inherited.run());
    qunsetenv(name.constData());
    QCOMPARE(inherited.output.trimmed(), QByteArray(passes ? "1" : "0"));

    // One the companion may not pass on ends the conversation: nothing runs.
    Conversation sent;
    sent.environment = { entry };
    sent.answers[QByteArrayLiteral("command")] = command;
    QVERIFY(sent.run());
    QCOMPARE(sent.requests.last(), QByteArray("end"));
    // trimmed: the list's empty line may come after the refusal and be echoed.
    QCOMPARE(sent.output.trimmed(),
        passes ? QByteArray("1")
               : QByteArray("tavrine: an environment answer may not pass to another user"));
    QCOMPARE(sent.exitStatus, passes ? 0 : 1);
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

void TavrineTest::carriageReturnStaysInItsAnswer()
{
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("command")] =
        "printf '%s' 'x\ry' | od -An -tx1; echo \"[$PATH]\"";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 0);
    // No line was made of it: the later answers are still in their places.
    QCOMPARE(conversation.output.simplified(), QByteArray("78 0d 79 [/usr/bin:/bin]"));
}

void TavrineTest::oddAnswersRunNothing_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("scheduler");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("NUL byte") << QByteArray("user") << QByteArray("ro\0junk", 7)
                              << QByteArray("normal")
                              << QByteArray("tavrine: an answer holds a NUL byte\n");
    QTest::newRow("priority beyond int")
        << QByteArray("priority") << QByteArray("-999999999999") << QByteArray("normal")
        << QByteArray("tavrine: priority \"-999999999999\" is not a number from -20 to 19\n");
    QTest::newRow("priority beyond nice")
        << QByteArray("priority") << QByteArray("20") << QByteArray("normal")
        << QByteArray("tavrine: priority \"20\" is not a number from -20 to 19\n");
    QTest::newRow("priority not a number")
        << QByteArray("priority") << QByteArray("5x") << QByteArray("normal")
        << QByteArray("tavrine: priority \"5x\" is not a number from -20 to 19\n");
    QTest::newRow("real-time priority 0")
        << QByteArray("priority") << QByteArray("0") << QByteArray("realtime")
        << QByteArray("tavrine: real-time priority \"0\" is not a number from 1 to 99\n");
}

void TavrineTest::oddAnswersRunNothing()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, scheduler);
    QFETCH(QByteArray, message);
    Conversation conversation;
    conversation.answers[key] = answer;
    conversation.answers[QByteArrayLiteral("scheduler")] = scheduler;
    conversation.answers[QByteArrayLiteral("command")] = "echo kavrun-ran";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.requests.last(), QByteArray("end"));
    QCOMPARE(conversation.output, message);
    QCOMPARE(conversation.exitStatus, 1);
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
        "echo \"[$DISPLAY]\"; echo \"[$XAUTHORITY]\"; "
        "echo \"[$(stat -c %a \"${XAUTHORITY%/*}\" \"$XAUTHORITY\" | paste -sd' ')]\"; xauth list";
    QVERIFY(conversation.run());
    QCOMPARE(conversation.exitStatus, 0);

    const QList<QByteArray> lines = conversation.output.split('\n');
    QVERIFY2(lines.size() >= 4, conversation.output.constData());
    QCOMPARE(lines.at(0).trimmed(), QByteArray("[localhost:93]"));
    // In a folder of its own, where no other user can put xauth's lock files.
    const QByteArray authorityFile = lines.at(1).trimmed().mid(1).chopped(1);
    const QByteArray folder = authorityFile.left(authorityFile.lastIndexOf('/'));
    QVERIFY2(folder.startsWith("/tmp/xauth.") && authorityFile.endsWith("/Xauthority"),
        authorityFile.constData());
    QCOMPARE(lines.at(2).trimmed(), QByteArray("[700 600]"));
    // Filed under ":93": without the word localhost, xauth would add a TCP entry.
    QVERIFY2(lines.at(3).simplified().endsWith("/unix:93 MIT-MAGIC-COOKIE-1 " + cookie),
        conversation.output.constData());
    QVERIFY(!QFile::exists(QFile::decodeName(folder)));
}

// The folder of the authority file that the command reported as "[$XAUTHORITY]".
static QString reportedAuthorityFolder(const QByteArray &output)
{
    const int start = output.indexOf("[/tmp/xauth.");
    const int end = output.indexOf("/Xauthority]", start);
    return start < 0 || end < 0 ? QString()
                                : QFile::decodeName(output.mid(start + 1, end - start - 1));
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
    const QString folder = reportedAuthorityFolder(conversation.output);
    QVERIFY2(!folder.isEmpty(), conversation.output.constData());
    QVERIFY(!QFile::exists(folder));
}

void TavrineTest::xauthOnlyFromAbsoluteFoldersAndNotWaitedForLong()
{
    // One xauth hangs, another stands in the current folder, named by relative entries.
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString hanging = directory.filePath(QStringLiteral("hanging"));
    const QString relative = directory.filePath(QStringLiteral("relative"));
    for (const QString &folder : { hanging, relative }) {
        QVERIFY(QDir().mkpath(folder));
        QFile xauth(folder + QStringLiteral("/xauth"));
        QVERIFY(xauth.open(QIODevice::WriteOnly));
        xauth.write(folder == hanging ? "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname "
                                        "\"$0\")/arguments\"\nexec sleep 30\n"
                                      : "#!/bin/sh\ntouch \"$(dirname \"$0\")/ran\"\n");
        xauth.close();
        QVERIFY(xauth.setPermissions(xauth.permissions() | QFile::ExeOwner));
    }
    const QString savedFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(relative));
    Conversation conversation;
    conversation.answers[QByteArrayLiteral("display")] = ":93";
    conversation.answers[QByteArrayLiteral("display_auth")] = "MIT-MAGIC-COOKIE-1 00112233";
    conversation.answers[QByteArrayLiteral("path")] =
        ":.:relative:" + QFile::encodeName(hanging) + ":/usr/bin:/bin";
    conversation.answers[QByteArrayLiteral("command")] = "exit 4";
    QElapsedTimer timer;
    timer.start();
    QVERIFY(conversation.run());
    QDir::setCurrent(savedFolder);
    QCOMPARE(conversation.exitStatus, 4);
    QVERIFY(timer.elapsed() < 15000);
    QVERIFY(!QFile::exists(relative + QStringLiteral("/ran")));
    // The key goes to xauth's input: any local user can read a command line.
    QFile arguments(hanging + QStringLiteral("/arguments"));
    QVERIFY(arguments.open(QIODevice::ReadOnly));
    QVERIFY(!arguments.readAll().contains("00112233"));
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
    conversation.environment = { "LC_TIME=C.UTF-8" };
    conversation.answers[QByteArrayLiteral("command")] =
        "echo \"[$(id -u) $(id -g) $(id -G) $HOME]\"; stat -c '[%U]' \"$XAUTHORITY\"; "
        "echo \"[$(env | grep -cE '^(SHELLOPTS|PS4|PYTHONPATH|XDG_CONFIG_HOME)=')|"
        "$LANG|$TZ|$USER|$LOGNAME|$SHELL|$LC_TIME]\"";
    // Of the caller's environment, only the display, terminal, language and time zone pass.
    const QList<QPair<const char *, QByteArray>> caller = { { "SHELLOPTS", "xtrace" },
        { "PS4", "$(id)" }, { "PYTHONPATH", "/tmp" }, { "XDG_CONFIG_HOME", "/root/.config" },
        { "LANG", "de_DE.UTF-8" }, { "TZ", "Europe/Berlin" } };
    for (const auto &variable : caller)
        qputenv(variable.first, variable.second);
    QVERIFY(conversation.run());
    for (const auto &variable : caller)
        qunsetenv(variable.first);
    QCOMPARE(conversation.exitStatus, 0);
    QCOMPARE(conversation.output.simplified(),
        QByteArray("[65534 65534 65534 /nonexistent] [nobody] "
                   "[0|de_DE.UTF-8|Europe/Berlin|nobody|nobody|/usr/sbin/nologin|C.UTF-8]"));
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
    QCOMPARE(tavrine.readAllStandardError(),
        QByteArray("tavrine: the input ended before the conversation was over\n"));
}

void TavrineTest::endingSignalsCleanUp_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TavrineTest::endingSignalsCleanUp()
{
    QFETCH(int, signalNumber);
    // While it asks: the terminal gets its modes back.
    Conversation asking;
    asking.parentSwitchesEchoOff = false;
    asking.signalAt = "display";
    asking.signalNumber = signalNumber;
    QVERIFY(asking.run());
    QCOMPARE(asking.exitStatus, -1);
    QVERIFY(asking.lineModesAtEnd);

    // While the command runs: the authority goes, with its folder.
    Conversation running;
    running.answers[QByteArrayLiteral("display")] = ":93";
    running.answers[QByteArrayLiteral("display_auth")] = "MIT-MAGIC-COOKIE-1 00112233";
    running.answers[QByteArrayLiteral("command")] =
        "echo \"[$XAUTHORITY]\"; kill -" + QByteArray::number(signalNumber) + " $PPID; sleep 1";
    QVERIFY(running.run());
    QCOMPARE(running.exitStatus, -1);
    const QString folder = reportedAuthorityFolder(running.output);
    QVERIFY2(!folder.isEmpty(), running.output.constData());
    QVERIFY(!QFile::exists(folder));
}

QTEST_GUILESS_MAIN(TavrineTest)
#include "tst_tavrine.moc"
