// SPDX-License-Identifier: GPL-2.0-or-later
#include "childprogram.h"
#include "tests/common/xvfbserver.h"

#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// kav-run itself, started as the user starts it.
class MainTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void versionAndHelp();
    void unknownOptionEndsTheStart();
    void secondStartRaisesTheFirst();
    void secondStartIgnoresItsCommandLine();
    void killedInstanceDoesNotBlockTheNextStart();
    void simultaneousStartsGiveOnePrimary();
    void showsTheDialogOnAnXServer();

private:
    std::unique_ptr<ChildProgram> startKavRun(const QStringList &arguments = {});
    std::unique_ptr<ChildProgram> startProbe();
    bool waitUntilListening();
    static QString kavRun() { return builtProgram(QStringLiteral("app/kav-run")); }

    std::unique_ptr<QTemporaryDir> m_directory;
    QProcessEnvironment m_environment;
};

void MainTest::init()
{
    m_directory = std::make_unique<QTemporaryDir>();
    m_environment = privateEnvironment(m_directory->path());
}

std::unique_ptr<ChildProgram> MainTest::startKavRun(const QStringList &arguments)
{
    auto program = std::make_unique<ChildProgram>(m_environment);
    program->start(kavRun(), arguments);
    return program;
}

std::unique_ptr<ChildProgram> MainTest::startProbe()
{
    auto program = std::make_unique<ChildProgram>(m_environment);
    program->start(builtProgram(QStringLiteral("tests/app/singleinstanceprobe")),
        { QStringLiteral("kav-run") });
    return program;
}

// The first instance is ready for messages once it accepts connections; a
// socket file alone may be a killed instance's.
bool MainTest::waitUntilListening()
{
    const QString socketPath =
        m_environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/kav-run.socket");
    return QTest::qWaitFor(
        [&socketPath] {
            QLocalSocket socket;
            socket.connectToServer(socketPath);
            return socket.waitForConnected(100);
        },
        10000);
}

void MainTest::versionAndHelp()
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(kavRun(), { QStringLiteral("--version") });
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArrayLiteral("kav-run 0.2.2\n"));

    process.start(kavRun(), { QStringLiteral("--help") });
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    const QByteArray help = process.readAllStandardOutput();
    for (const char *line : { "-t, --terminal", "-u, --user <username>", "Run as user <username>",
             "--su ", "--sudo ", "-r, --realtime", "-p, --priority <priority>", "Command to run" })
        QVERIFY2(help.contains(line), line);
    QVERIFY(help.indexOf("--help") < help.indexOf("--terminal"));
}

void MainTest::unknownOptionEndsTheStart()
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(kavRun(), { QStringLiteral("--bogus") });
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("Unknown option 'bogus'"));

    process.start(kavRun(), { QStringLiteral("--priority") });
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("Missing value after '--priority'"));
}

void MainTest::secondStartRaisesTheFirst()
{
    auto first = startProbe();
    QVERIFY(first->waitForLine(QStringLiteral("primary")));
    auto second = startKavRun({ QStringLiteral("ls") });
    QCOMPARE(second->waitForExit(), 255);
    QVERIFY(first->waitForLine(QStringLiteral("message raise")));
}

void MainTest::secondStartIgnoresItsCommandLine()
{
    auto first = startKavRun();
    QVERIFY(waitUntilListening());

    QProcess second;
    second.setProcessEnvironment(m_environment);
    second.start(kavRun(),
        { QStringLiteral("--version"), QStringLiteral("--su"), QStringLiteral("--sudo"),
            QStringLiteral("-p"), QStringLiteral("abc"), QStringLiteral("--bogus"),
            QStringLiteral("ls") });
    QVERIFY(second.waitForFinished());
    QCOMPARE(second.exitCode(), 255);
    QVERIFY(second.readAllStandardOutput().isEmpty());
    const QByteArray errors = second.readAllStandardError();
    QVERIFY2(!errors.contains("sudo") && !errors.contains("priority") && !errors.contains("bogus"),
        errors.constData());
    QVERIFY(first->isRunning());
}

void MainTest::killedInstanceDoesNotBlockTheNextStart()
{
    auto first = startKavRun();
    QVERIFY(waitUntilListening());
    first->kill();

    auto next = startKavRun();
    QVERIFY(waitUntilListening());
    auto probe = startProbe();
    QCOMPARE(probe->waitForAnyLine({ QStringLiteral("primary"), QStringLiteral("delivered") }),
        QStringLiteral("delivered"));
    QVERIFY(next->isRunning());
}

void MainTest::simultaneousStartsGiveOnePrimary()
{
    auto one = startKavRun();
    auto other = startKavRun();
    QTRY_VERIFY_WITH_TIMEOUT(!one->isRunning() || !other->isRunning(), 10000);
    ChildProgram &ended = one->isRunning() ? *other : *one;
    ChildProgram &running = one->isRunning() ? *one : *other;
    QCOMPARE(ended.waitForExit(), 255);
    QTest::qWait(200);
    QVERIFY(running.isRunning());
}

void MainTest::showsTheDialogOnAnXServer()
{
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        QSKIP("xdotool is not installed");
    XvfbServer server;
    if (!server.start())
        QSKIP("Xvfb could not be started");

    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_environment.insert(QStringLiteral("DISPLAY"), server.display());
    m_environment.insert(QStringLiteral("XAUTHORITY"), server.authorityFile());
    auto dialog = startKavRun();

    QProcess search;
    search.setProcessEnvironment(m_environment);
    bool found = false;
    for (int attempt = 0; attempt < 100 && !found && dialog->isRunning(); ++attempt) {
        search.start(xdotool,
            { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                QStringLiteral("^Run Command$") });
        search.waitForFinished();
        found = search.exitCode() == 0 && !search.readAllStandardOutput().trimmed().isEmpty();
        if (!found)
            QTest::qWait(100);
    }
    QVERIFY(found);
    dialog->kill();
}

QTEST_GUILESS_MAIN(MainTest)
#include "tst_main.moc"
