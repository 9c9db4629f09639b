// SPDX-License-Identifier: GPL-2.0-or-later
// The parent's side of the conversation: against shell scripts that ask like
// the companion and file the answers, and against the real tavrine.
#include "core/searchpath.h"
#include "su/stubprocess.h"

#include "tests/common/xvfbserver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

static QByteArray tavrinePath()
{
    return qgetenv("KAVRUN_BINARY_DIR") + "/stub/tavrine";
}

static void restoreVariable(const char *name, const QByteArray &value)
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

// Shows a display and authority of the test's choosing instead of the caller's.
class FixedDisplayStub : public StubProcess
{
public:
    QByteArray displayValue() override { return display; }
    QByteArray displayAuthority() override { return authority; }

    QByteArray display = QByteArrayLiteral("remote:3.0");
    QByteArray authority = QByteArrayLiteral("MIT-MAGIC-COOKIE-1 abcd");
};

class StubProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void answersEveryRequest_data();
    void answersEveryRequest();
    void pathAnswer_data();
    void pathAnswer();
    void stopsAfterTheHandshake();
    void valuesWithLineBreaksAreNotSent_data();
    void valuesWithLineBreaksAreNotSent();
    void linesOutsideTheConversation_data();
    void linesOutsideTheConversation();
    void terminalClosedBeforeEnd();
    void acceptsCarriageReturns();
    void runsTavrine_data();
    void runsTavrine();
    void tavrineStops();
    void tavrineAsAnotherUserInRealtime();
    void displayAuthorityReachesTheCommand();
    void longCommandThroughSudo();

private:
    /**
     * Runs a script that writes each of @p requests (ended by @p lineEnd),
     * files each answer, and ends with @p lastLine.
     * @return converseWithStub's result
     */
    int converseWithScript(StubProcess &stub, const QList<QByteArray> &requests,
        const QByteArray &lastLine = "end", const QByteArray &lineEnd = "\\n");
    QList<QByteArray> filedAnswers() const;
    QByteArray filePath(const char *name) const;

    QTemporaryDir directory;
    QByteArray savedPath;
    QByteArray savedDisplay;
    QByteArray savedAuthority;
};

void StubProcessTest::initTestCase()
{
    QVERIFY(directory.isValid());
    QVERIFY2(QFile::exists(QFile::decodeName(tavrinePath())), tavrinePath().constData());
}

void StubProcessTest::init()
{
    savedPath = qgetenv("PATH");
    savedDisplay = qgetenv("DISPLAY");
    savedAuthority = qgetenv("XAUTHORITY");
    // No xauth look-up unless a test asks for one.
    qunsetenv("DISPLAY");
}

void StubProcessTest::cleanup()
{
    restoreVariable("PATH", savedPath);
    restoreVariable("DISPLAY", savedDisplay);
    restoreVariable("XAUTHORITY", savedAuthority);
    QFile::remove(QFile::decodeName(filePath("answers")));
    QFile::remove(QFile::decodeName(filePath("out")));
}

QByteArray StubProcessTest::filePath(const char *name) const
{
    return QFile::encodeName(directory.path()) + '/' + name;
}

int StubProcessTest::converseWithScript(StubProcess &stub, const QList<QByteArray> &requests,
    const QByteArray &lastLine, const QByteArray &lineEnd)
{
    QByteArray script;
    for (const QByteArray &request : requests)
        script += "printf '" + request + lineEnd
            + "'; IFS= read -r answer; printf '%s\\n' \"$answer\" >> '" + filePath("answers")
            + "'; ";
    script += "printf '" + lastLine + lineEnd + "'";
    if (stub.startChild("/bin/sh", { QByteArrayLiteral("-c"), script }) != 0)
        return -2;
    const int result = stub.converseWithStub(0);
    stub.drainUntilExit();
    return result;
}

QList<QByteArray> StubProcessTest::filedAnswers() const
{
    QFile file(QFile::decodeName(filePath("answers")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> answers = file.readAll().split('\n');
    answers.removeLast();
    return answers;
}

void StubProcessTest::answersEveryRequest_data()
{
    QTest::addColumn<bool>("defaults");
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::newRow("defaults") << true
                              << QList<QByteArray> { "ok", "remote:3.0", "MIT-MAGIC-COOKIE-1 abcd",
                                     "", "root", "1", "normal", "no", "0", "1", "" };
    QTest::newRow("set") << false
                         << QList<QByteArray> { "ok", "remote:3.0", "MIT-MAGIC-COOKIE-1 abcd",
                                "echo 'a  b' | cat", "nobody", "-12", "realtime", "no", "0", "-12",
                                "" };
}

void StubProcessTest::answersEveryRequest()
{
    QFETCH(bool, defaults);
    QFETCH(QList<QByteArray>, answers);
    FixedDisplayStub stub;
    if (!defaults) {
        stub.setCommandLine("echo 'a  b' | cat");
        stub.setTargetUser("nobody");
        stub.setPriorityValue(-12);
        stub.setSchedulingPolicy(StubProcess::SchedulingRealtime);
    }
    // Any order, a request twice: the parent answers what it reads.
    const QList<QByteArray> requests = { "tavrine", "display", "display_auth", "command", "user",
        "priority", "scheduler", "xwindows_only", "app_startup_id", "priority", "environment" };
    QCOMPARE(converseWithScript(stub, requests), 0);
    QCOMPARE(filedAnswers(), answers);
}

void StubProcessTest::pathAnswer_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("answer");
    // Whatever the caller's PATH holds, the target gets the path su gives it.
    const QByteArray root = targetSearchPath("root", QStringLiteral("su"));
    const QByteArray other = targetSearchPath("nobody", QStringLiteral("su"));
    QTest::newRow("root") << QByteArray(".:/home/ann/bin:/usr/bin") << QByteArray("root") << root;
    QTest::newRow("root, empty") << QByteArray("") << QByteArray("root") << root;
    QTest::newRow("other") << QByteArray("/opt/bin:/home/ann/bin") << QByteArray("nobody") << other;
    QTest::newRow("other, empty and relative entries")
        << QByteArray("::/opt/bin:.:bin:/usr/bin:") << QByteArray("nobody") << other;
    QTest::newRow("root's name in capitals")
        << QByteArray("/opt/bin") << QByteArray("Root") << other;
}

void StubProcessTest::pathAnswer()
{
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, answer);
    StubProcess stub;
    stub.setTargetUser(user);
    qputenv("PATH", path);
    QCOMPARE(converseWithScript(stub, { "tavrine", "path" }), 0);
    QCOMPARE(filedAnswers(), (QList<QByteArray> { "ok", answer }));
}

void StubProcessTest::stopsAfterTheHandshake()
{
    StubProcess stub;
    const QByteArray script =
        "printf 'tavrine\\n'; IFS= read -r answer; printf '%s\\n' \"$answer\" > '"
        + filePath("answers") + "'; printf 'end\\n'";
    QCOMPARE(stub.startChild("/bin/sh", { QByteArrayLiteral("-c"), script }), 0);
    QCOMPARE(stub.converseWithStub(1), 0);
    QCOMPARE(stub.drainUntilExit(), 0);
    QCOMPARE(filedAnswers(), QList<QByteArray> { "stop" });

    // Told to stop, a companion has nothing more to ask.
    StubProcess askingOn;
    const QByteArray askingScript =
        "printf 'tavrine\\n'; IFS= read -r answer; printf 'display\\nend\\n'";
    QCOMPARE(askingOn.startChild("/bin/sh", { QByteArrayLiteral("-c"), askingScript }), 0);
    QCOMPARE(askingOn.converseWithStub(1), 1);
    askingOn.drainUntilExit();
}

void StubProcessTest::valuesWithLineBreaksAreNotSent_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("authority");
    QTest::addColumn<int>("value");
    const QByteArray run = "touch kavrun-ran";
    const QByteArray path = "/usr/bin:/bin";
    const QByteArray display = ":93";
    const QByteArray authority = "MIT-MAGIC-COOKIE-1 00112233";
    // The desktop entry format lets a Name hold "\n"; %c puts it into the command line.
    QTest::newRow("command, line break")
        << run + "\nLD_PRELOAD=/tmp/x.so" << QByteArray("root") << path << display << authority
        << int(StubProcess::CommandLineValue);
    QTest::newRow("command, carriage return") << run + "\r" << QByteArray("root") << path << display
                                              << authority << int(StubProcess::CommandLineValue);
    QTest::newRow("command, NUL") << run + QByteArray("\0x", 2) << QByteArray("root") << path
                                  << display << authority << int(StubProcess::CommandLineValue);
    QTest::newRow("user") << run << QByteArray("nobody\n0") << path << display << authority
                          << int(StubProcess::TargetUserValue);
    // The caller's PATH reaches nobody.
    QTest::newRow("root's path is its own")
        << run << QByteArray("root") << QByteArray("/x\ny:/usr/bin") << display << authority
        << int(StubProcess::NoValue);
    QTest::newRow("display") << run << QByteArray("root") << path << display + "\r\n"
                             << authority << int(StubProcess::DisplayValue);
    QTest::newRow("authority") << run << QByteArray("root") << path << display << authority + '\n'
                               << int(StubProcess::DisplayAuthorityValue);
    // Odd bytes, each answer still one line.
    QTest::newRow("tab, escape and a byte that is no UTF-8")
        << run + "; : '\t\x1b[2J\xff'" << QByteArray("root") << path << display + "\t\xff"
        << authority << int(StubProcess::NoValue);
}

// The real companion: a value that would shift the answers after it is not sent, and
// nothing is run.
void StubProcessTest::valuesWithLineBreaksAreNotSent()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, path);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, authority);
    QFETCH(int, value);
    FixedDisplayStub stub;
    stub.setCommandLine(command);
    stub.setTargetUser(user);
    stub.display = display;
    stub.authority = authority;
    qputenv("PATH", path);
    QCOMPARE(int(stub.valueWithLineBreak()), value);

    const QString marker = directory.filePath(QStringLiteral("kavrun-ran"));
    const QString savedFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory.path()));
    QCOMPARE(stub.startChild(tavrinePath(), { QByteArrayLiteral("-") }), 0);
    const int conversation = stub.converseWithStub(0);
    // Left without its answer, the companion ends with the terminal.
    stub.hangUp();
    QVERIFY(stub.reapChild(5000));
    QDir::setCurrent(savedFolder);
    QCOMPARE(conversation, value == StubProcess::NoValue ? 0 : 2);
    QCOMPARE(QFile::exists(marker), value == StubProcess::NoValue);
    QFile::remove(marker);
}

void StubProcessTest::linesOutsideTheConversation_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("refusal") << QByteArray("su: Authentication failure");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("end and a blank") << QByteArray("end ");
    QTest::newRow("capitals") << QByteArray("Display");
    QTest::newRow("two carriage returns") << QByteArray("end\\r\\r");
}

void StubProcessTest::linesOutsideTheConversation()
{
    QFETCH(QByteArray, line);
    StubProcess stub;
    QCOMPARE(converseWithScript(stub, { "tavrine" }, line + "\\n" + "end"), 1);
}

void StubProcessTest::terminalClosedBeforeEnd()
{
    StubProcess stub;
    QCOMPARE(
        stub.startChild("/bin/sh",
            { QByteArrayLiteral("-c"), QByteArrayLiteral("printf 'tavrine\\n'; read -r answer") }),
        0);
    QCOMPARE(stub.converseWithStub(0), -1);
    stub.drainUntilExit();
}

void StubProcessTest::acceptsCarriageReturns()
{
    StubProcess stub;
    stub.setTargetUser("nobody");
    QCOMPARE(converseWithScript(stub, { "tavrine", "user", "environment" }, "end", "\\r\\n"), 0);
    QCOMPARE(filedAnswers(), (QList<QByteArray> { "ok", "nobody", "" }));
}

void StubProcessTest::runsTavrine_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("exitStatus");
    QTest::newRow("success") << QByteArray("exit 0") << 0;
    QTest::newRow("failure") << QByteArray("exit 7") << 7;
    QTest::newRow("signal") << QByteArray("kill -TERM $$") << 1;
}

void StubProcessTest::runsTavrine()
{
    QFETCH(QByteArray, command);
    QFETCH(int, exitStatus);
    StubProcess stub;
    stub.setCommandLine(command);
    QCOMPARE(stub.startChild(tavrinePath(), { QByteArrayLiteral("-") }), 0);
    QCOMPARE(stub.converseWithStub(0), 0);
    QCOMPARE(stub.drainUntilExit(), exitStatus);
}

void StubProcessTest::tavrineStops()
{
    StubProcess stub;
    stub.setCommandLine("touch '" + filePath("out") + "'; exit 9");
    QCOMPARE(stub.startChild(tavrinePath(), { QByteArrayLiteral("-") }), 0);
    QCOMPARE(stub.converseWithStub(1), 0);
    QCOMPARE(stub.drainUntilExit(), 0);
    QVERIFY(!QFile::exists(QFile::decodeName(filePath("out"))));
}

void StubProcessTest::tavrineAsAnotherUserInRealtime()
{
    if (getuid() != 0)
        QSKIP("changing to another user and real-time scheduling need root");
    // The command, as nobody, writes into a file root has prepared for it.
    QFile out(QFile::decodeName(filePath("out")));
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.close();
    QVERIFY(out.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::WriteOther));
    QVERIFY(QFile::setPermissions(directory.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeOther));

    StubProcess stub;
    stub.setTargetUser("nobody");
    stub.setPriorityValue(4);
    stub.setSchedulingPolicy(StubProcess::SchedulingRealtime);
    stub.setCommandLine("{ id -un; chrt -p $$; } >> '" + filePath("out") + "'");
    QCOMPARE(stub.startChild(tavrinePath(), { QByteArrayLiteral("-") }), 0);
    QCOMPARE(stub.converseWithStub(0), 0);
    QCOMPARE(stub.drainUntilExit(), 0);

    QVERIFY(out.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = out.readAll().split('\n');
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.at(0), QByteArray("nobody"));
    if (!lines.at(1).endsWith("SCHED_FIFO"))
        QSKIP("this system does not grant real-time scheduling");
    QVERIFY2(lines.at(2).endsWith("priority: 4"), lines.at(2).constData());
}

void StubProcessTest::displayAuthorityReachesTheCommand()
{
    XvfbServer server;
    if (!server.start())
        QSKIP("Xvfb or xauth is missing, or the server did not start");
    qputenv("DISPLAY", server.display().toLocal8Bit());
    qputenv("XAUTHORITY", QFile::encodeName(server.authorityFile()));

    StubProcess stub;
    QCOMPARE(stub.displayValue(), server.display().toLocal8Bit());
    QCOMPARE(stub.displayAuthority(), "MIT-MAGIC-COOKIE-1 " + server.cookie().toLatin1());

    // The command reaches the server with the copied entry alone.
    stub.setCommandLine(
        "{ echo \"$XAUTHORITY\"; xauth list; xdpyinfo >/dev/null && echo connected; } > '"
        + filePath("out") + "' 2>&1");
    QCOMPARE(stub.startChild(tavrinePath(), { QByteArrayLiteral("-") }), 0);
    QCOMPARE(stub.converseWithStub(0), 0);
    QCOMPARE(stub.drainUntilExit(), 0);

    QFile out(QFile::decodeName(filePath("out")));
    QVERIFY(out.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = out.readAll().split('\n');
    QVERIFY(lines.size() >= 3);
    QVERIFY2(lines.at(0).startsWith("/tmp/xauth."), lines.at(0).constData());
    QVERIFY(!QFile::exists(QFile::decodeName(lines.at(0))));
    QVERIFY2(lines.at(1).simplified().endsWith(
                 server.display().toLatin1() + " MIT-MAGIC-COOKIE-1 " + server.cookie().toLatin1()),
        lines.at(1).constData());
    QCOMPARE(lines.at(2), QByteArray("connected"));
}

void StubProcessTest::longCommandThroughSudo()
{
    if (getuid() != 0)
        QSKIP("sudo asks root for no password; other users would need one");
    // sudo runs the companion on a terminal of its own, with echo and line editing on.
    StubProcess stub;
    stub.setCommandLine(
        "printf %s " + QByteArray(6000, 'x') + " | wc -c > '" + filePath("out") + "'");
    QCOMPARE(stub.startChild("sudo", { "-u", "root", tavrinePath(), "-" }), 0);
    QCOMPARE(stub.converseWithStub(0), 0);
    QCOMPARE(stub.drainUntilExit(), 0);

    QFile out(QFile::decodeName(filePath("out")));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll().trimmed(), QByteArray("6000"));
}

QTEST_GUILESS_MAIN(StubProcessTest)
#include "tst_stubprocess.moc"
