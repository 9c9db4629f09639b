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
    void versionAndHelp_data();
    void versionAndHelp();
    void unknownOptionEndsTheStart();
    void secondStartRaisesTheFirst();
    void secondStartAnswersWhatAsksForNoDialog();
    void killedInstanceDoesNotBlockTheNextStart();
    void simultaneousStartsGiveOnePrimary();
    void residentInstanceAnswersLaterStarts();
    void showsTheDialogOnAnXServer();
    void launchedCommandsGetTheUsersEnvironment_data();
    void launchedCommandsGetTheUsersEnvironment();

private:
    struct Outcome
    {
        int exitCode;
        QByteArray output;
        QByteArray errors;
    };
    /** Runs kav-run to its end; exit code -1000 when it did not end in time. */
    Outcome runKavRun(const QStringList &arguments);
    std::unique_ptr<ChildProgram> startKavRun(const QStringList &arguments = {});
    std::unique_ptr<ChildProgram> startProbe();
    bool waitUntilListening();
    /** Points the programs started from now on at @p server; false when it cannot start. */
    bool useXServer(XvfbServer &server);
    /** xdotool's output, or an empty string when it failed. */
    QString xdotool(const QStringList &arguments);
    /** The X window id of the visible dialog, or an empty string. */
    QString waitForDialogWindow(const ChildProgram &dialog);
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
        { QStringLiteral("kav-run@offscreen") });
    return program;
}

// The first instance is ready for messages once it accepts connections; a
// socket file alone may be a killed instance's.
bool MainTest::waitUntilListening()
{
    const QString socketPath = m_environment.value(QStringLiteral("XDG_RUNTIME_DIR"))
        + QStringLiteral("/kav-run@offscreen.socket");
    return QTest::qWaitFor(
        [&socketPath] {
            QLocalSocket socket;
            socket.connectToServer(socketPath);
            return socket.waitForConnected(100);
        },
        10000);
}

MainTest::Outcome MainTest::runKavRun(const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(kavRun(), arguments);
    if (!process.waitForFinished())
        return { -1000, {}, {} };
    return { process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError() };
}

// Packaging tools ask for help and the version where no display and no
// runtime directory exist.
void MainTest::versionAndHelp_data()
{
    QTest::addColumn<bool>("display");
    QTest::newRow("offscreen") << true;
    QTest::newRow("no display") << false;
}

void MainTest::versionAndHelp()
{
    QFETCH(bool, display);
    if (!display) {
        m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_environment.remove(QStringLiteral("DISPLAY"));
        m_environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    }
    const Outcome version = runKavRun({ QStringLiteral("--version") });
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.output, QByteArrayLiteral("kav-run 0.2.2\n"));
    QCOMPARE(version.errors, QByteArray());

    const Outcome help = runKavRun({ QStringLiteral("--help") });
    QCOMPARE(help.exitCode, 0);
    for (const char *line : { "-t, --terminal", "-u, --user <username>", "Run as user <username>",
             "--su ", "--sudo ", "-r, --realtime", "-p, --priority <priority>", "Command to run" })
        QVERIFY2(help.output.contains(line), line);
    QVERIFY(help.output.indexOf("--help") < help.output.indexOf("--terminal"));

    const Outcome helpAll = runKavRun({ QStringLiteral("--help-all") });
    QCOMPARE(helpAll.exitCode, 0);
    QVERIFY(helpAll.output.contains("-platform <platformName[:options]>"));
}

void MainTest::unknownOptionEndsTheStart()
{
    const Outcome unknown = runKavRun({ QStringLiteral("--bogus") });
    QCOMPARE(unknown.exitCode, 1);
    QVERIFY(unknown.errors.contains("Unknown option 'bogus'"));

    const Outcome missing = runKavRun({ QStringLiteral("--priority") });
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.errors.contains("Missing value after '--priority'"));
}

void MainTest::secondStartRaisesTheFirst()
{
    auto first = startProbe();
    QVERIFY(first->waitForLine(QStringLiteral("primary")));
    auto second = startKavRun({ QStringLiteral("ls") });
    QCOMPARE(second->waitForExit(), 255);
    QVERIFY(first->waitForLine(QStringLiteral("message raise")));
}

// Help, the version and faulty options are answered by the start that was
// asked, with nothing else of its command line reaching the running dialog.
void MainTest::secondStartAnswersWhatAsksForNoDialog()
{
    auto first = startKavRun();
    QVERIFY(waitUntilListening());

    const Outcome version =
        runKavRun({ QStringLiteral("--su"), QStringLiteral("--version"), QStringLiteral("ls") });
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.output, QByteArrayLiteral("kav-run 0.2.2\n"));
    const Outcome help = runKavRun({ QStringLiteral("-th") });
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.output.contains("--terminal"));
    const Outcome unknown = runKavRun({ QStringLiteral("--bogus"), QStringLiteral("ls") });
    QCOMPARE(unknown.exitCode, 1);
    QVERIFY(unknown.errors.contains("Unknown option 'bogus'"));

    const Outcome second = runKavRun({ QStringLiteral("--su"), QStringLiteral("--sudo"),
        QStringLiteral("-p"), QStringLiteral("abc"), QStringLiteral("ls") });
    QCOMPARE(second.exitCode, 255);
    QVERIFY(second.output.isEmpty());
    QVERIFY2(second.errors.isEmpty(), second.errors.constData());
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

void MainTest::residentInstanceAnswersLaterStarts()
{
    auto resident = startKavRun({ QStringLiteral("--resident") });
    QVERIFY(waitUntilListening());

    // What asks for no dialog is answered by the later start itself.
    const Outcome version = runKavRun({ QStringLiteral("--version") });
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.output, QByteArrayLiteral("kav-run 0.2.2\n"));
    const Outcome unknown = runKavRun({ QStringLiteral("--bogus") });
    QCOMPARE(unknown.exitCode, 1);
    QVERIFY(unknown.errors.contains("Unknown option 'bogus'"));
    QCOMPARE(runKavRun({ QStringLiteral("--resident") }).exitCode, 0);

    // The toolkit's own options are taken out as at a start of its own; the
    // diagnostics of the presets reach the later start's standard error.
    const Outcome shown = runKavRun({ QStringLiteral("-platform"), QStringLiteral("offscreen"),
        QStringLiteral("-p"), QStringLiteral("abc"), QStringLiteral("ls") });
    QCOMPARE(shown.exitCode, 0);
    QCOMPARE(shown.errors, QByteArrayLiteral("\"wrong priority\"\n"));
    QCOMPARE(runKavRun({ QStringLiteral("ls") }).exitCode, 255);
    QVERIFY(resident->isRunning());

    // A killed resident leaves its socket behind; the next start is a first start.
    resident->kill();
    auto next = startKavRun();
    QVERIFY(waitUntilListening());
    QCOMPARE(runKavRun({ QStringLiteral("ls") }).exitCode, 255);
    QVERIFY(next->isRunning());
}

bool MainTest::useXServer(XvfbServer &server)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() || !server.start())
        return false;
    m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    m_environment.insert(QStringLiteral("DISPLAY"), server.display());
    m_environment.insert(QStringLiteral("XAUTHORITY"), server.authorityFile());
    return true;
}

QString MainTest::xdotool(const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished();
    return process.exitCode() == 0
        ? QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed()
        : QString();
}

QString MainTest::waitForDialogWindow(const ChildProgram &dialog)
{
    QString window;
    // No window by then leaves the name empty.
    static_cast<void>(QTest::qWaitFor(
        [&] {
            window = xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--name"), QStringLiteral("^Run Command$") });
            return !window.isEmpty() || !dialog.isRunning();
        },
        10000));
    return window.section(QLatin1Char('\n'), 0, 0);
}

void MainTest::showsTheDialogOnAnXServer()
{
    XvfbServer server;
    if (!useXServer(server))
        QSKIP("Xvfb or xdotool is not available");
    auto dialog = startKavRun();
    QVERIFY(!waitForDialogWindow(*dialog).isEmpty());
}

// Without OpenGL the dialog starts faster, but what it launches gets the
// user's environment as it was.
void MainTest::launchedCommandsGetTheUsersEnvironment_data()
{
    QTest::addColumn<QString>("glIntegration");
    QTest::newRow("not set") << QString();
    QTest::newRow("set by the user") << QStringLiteral("xcb_glx");
}

void MainTest::launchedCommandsGetTheUsersEnvironment()
{
    QFETCH(QString, glIntegration);
    XvfbServer server;
    if (!useXServer(server))
        QSKIP("Xvfb or xdotool is not available");
    if (!glIntegration.isEmpty())
        m_environment.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), glIntegration);

    const QString recorder = m_directory->filePath(QStringLiteral("record-environment"));
    const QString record = m_directory->filePath(QStringLiteral("environment.txt"));
    QFile script(recorder);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nenv > \"$1\"\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    auto dialog = startKavRun({ recorder, record });
    const QString window = waitForDialogWindow(*dialog);
    QVERIFY(!window.isEmpty());
    xdotool({ QStringLiteral("windowfocus"), QStringLiteral("--sync"), window });
    xdotool({ QStringLiteral("key"), QStringLiteral("Return") });
    QCOMPARE(dialog->waitForExit(), 0);

    QFile environment(record);
    QTRY_VERIFY(environment.exists() && environment.size() > 0);
    QVERIFY(environment.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = environment.readAll().split('\n');
    QVERIFY(lines.contains("QT_QPA_PLATFORM=xcb"));
    const QByteArray expected = glIntegration.isEmpty()
        ? QByteArray()
        : QByteArrayLiteral("QT_XCB_GL_INTEGRATION=") + glIntegration.toUtf8();
    QByteArray seen;
    for (const QByteArray &line : lines) {
        if (line.startsWith("QT_XCB_GL_INTEGRATION="))
            seen = line;
    }
    QCOMPARE(seen, expected);
}

QTEST_GUILESS_MAIN(MainTest)
#include "tst_main.moc"
