// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program against a hostile start: settings it cannot write or
// read, a missing home, no display, a long search path, a huge history.
// Each must give a working dialog or a clear message, and lose nothing.
#include "../common/xvfbserver.h"
#include "kavrunsession.h"
#include "xdriver.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <unistd.h>

class TestBadInput : public QObject
{
    Q_OBJECT

private:
    /** Starts kav-run in @p environment and focuses its dialog; null when none showed. */
    QProcess *showDialog(const QProcessEnvironment &environment);
    /**
     * Starts kav-run in @p environment, types @p command ("kavmark NAME ...")
     * and runs it: the mark NAME must appear and the dialog end with 0.
     */
    void runFromDialog(const QProcessEnvironment &environment, const QString &command);
    QSettings storedSettings() const;
    /** Sets or clears the immutable attribute; false when the file system has none. */
    static bool setImmutable(const QString &path, bool on);

    XvfbServer m_server;
    std::unique_ptr<XDriver> m_x;
    std::unique_ptr<KavRunSession> m_session;
    QStringList m_immutablePaths;

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void settingsThatCannotBeWritten();
    void damagedSettings();
    void homeThatDoesNotExist();
    void noDisplay();
    void searchPathOfTwoHundredFolders();
    void historyOfTenThousandEntries();
};

QProcess *TestBadInput::showDialog(const QProcessEnvironment &environment)
{
    QProcess *kavRun = m_session->startKavRun({}, environment);
    if (m_x->waitForFocusedWindow(QStringLiteral("Run Command")).isEmpty()) {
        qWarning() << "no dialog; kav-run said:" << kavRun->readAllStandardError();
        return nullptr;
    }
    return kavRun;
}

void TestBadInput::runFromDialog(const QProcessEnvironment &environment, const QString &command)
{
    QProcess *kavRun = showDialog(environment);
    QVERIFY(kavRun);
    QVERIFY(m_x->type(command));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    const QString mark = command.section(QLatin1Char(' '), 1, 1);
    QVERIFY2(!m_session->waitForMark(mark).isNull(),
        qPrintable(command + QStringLiteral(" did not run")));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

QSettings TestBadInput::storedSettings() const
{
    return QSettings(m_session->settingsFile(), QSettings::IniFormat);
}

bool TestBadInput::setImmutable(const QString &path, bool on)
{
    return QProcess::execute(
               QStringLiteral("chattr"), { on ? QStringLiteral("+i") : QStringLiteral("-i"), path })
        == 0;
}

void TestBadInput::initTestCase()
{
    // Users meet the dialog under a window manager.
    if (!m_server.start(XvfbServer::WithWindowManager))
        QSKIP("Xvfb and xauth are needed for the dialog on a real X server");
    m_x = std::make_unique<XDriver>(m_server);
}

void TestBadInput::init()
{
    m_session = std::make_unique<KavRunSession>(m_x->environment());
    QVERIFY(m_session->isValid());
}

void TestBadInput::cleanup()
{
    // The session's folder cannot go while anything in it is immutable.
    for (const QString &path : qAsConst(m_immutablePaths))
        setImmutable(path, false);
    m_immutablePaths.clear();
    m_session.reset();
}

void TestBadInput::settingsThatCannotBeWritten()
{
    {
        QSettings settings = storedSettings();
        settings.setValue(QStringLiteral("history"), QStringList { QStringLiteral("kavmark old") });
    }
    const QString file = m_session->settingsFile();
    const QString folder = QFileInfo(file).path();
    QFile::setPermissions(
        file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(folder,
        QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
            | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
    // Root writes through any mode; only the immutable attribute stops it.
    if (geteuid() == 0) {
        if (QStandardPaths::findExecutable(QStringLiteral("chattr")).isEmpty()
            || !setImmutable(file, true))
            QSKIP("root ignores file modes, and the immutable attribute is not available here");
        m_immutablePaths << file;
        QVERIFY(setImmutable(folder, true));
        m_immutablePaths << folder;
    }
    QFile original(file);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();

    runFromDialog(m_session->environment(), QStringLiteral("kavmark locked"));
    if (QTest::currentTestFailed())
        return;

    original.seek(0);
    QCOMPARE(original.readAll(), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("kav-run.conf") });
}

void TestBadInput::damagedSettings()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_session->settingsFile()).path()));
    QFile damaged(m_session->settingsFile());
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArrayLiteral("[General\nhistory=\"unclosed\\\n\0\xff\xfe=\x01\n"));
    damaged.write(QByteArray(200000, 'x'));
    damaged.write(QByteArrayLiteral("\ncompletionMode=banana\nterminalApps=@Invalid()\n"));
    damaged.close();

    runFromDialog(m_session->environment(), QStringLiteral("kavmark damaged"));
    if (QTest::currentTestFailed())
        return;

    const QSettings settings = storedSettings();
    QCOMPARE(settings.status(), QSettings::NoError);
    QCOMPARE(settings.value(QStringLiteral("history")).toStringList().value(0),
        QStringLiteral("kavmark damaged"));
}

void TestBadInput::homeThatDoesNotExist()
{
    QProcessEnvironment environment = m_session->environment();
    environment.insert(QStringLiteral("HOME"), m_session->path() + QStringLiteral("/no/such/home"));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    runFromDialog(environment, QStringLiteral("kavmark homeless"));
}

void TestBadInput::noDisplay()
{
    QProcessEnvironment environment = m_session->environment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QProcess *kavRun = m_session->startKavRun({}, environment);

    QVERIFY(kavRun->waitForFinished(10000));
    const QByteArray message = kavRun->readAllStandardError();
    QVERIFY2(kavRun->exitStatus() == QProcess::NormalExit,
        qPrintable(QStringLiteral("kav-run died of a signal without a display; it said:\n")
            + QString::fromLocal8Bit(message)));
    QVERIFY(kavRun->exitCode() != 0);
    QVERIFY2(message.contains("display"), message.constData());
}

void TestBadInput::searchPathOfTwoHundredFolders()
{
    const QDir root(m_session->path());
    QStringList path;
    for (int folder = 0; folder < 200; ++folder) {
        const QString name = QStringLiteral("path/%1").arg(folder);
        // Every tenth entry names a folder that is not there.
        if (folder % 10 != 5)
            QVERIFY(root.mkpath(name));
        path << root.filePath(name);
    }
    QVERIFY(QFile::link(m_session->binDirectory() + QStringLiteral("/kavmark"),
        path.constLast() + QStringLiteral("/kavdeep")));
    QProcessEnvironment environment = m_session->environment();
    environment.insert(QStringLiteral("PATH"),
        path.join(QLatin1Char(':')) + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));

    runFromDialog(environment, QStringLiteral("kavdeep deep"));
}

void TestBadInput::historyOfTenThousandEntries()
{
    QStringList history;
    for (int entry = 0; entry < 10000; ++entry)
        history << QStringLiteral("kavmark entry%1 of the long history").arg(entry);
    {
        QSettings settings = storedSettings();
        settings.setValue(QStringLiteral("history"), history);
    }

    // The popup offers the one entry that begins so; Return takes it and runs it.
    QProcess *kavRun = showDialog(m_session->environment());
    QVERIFY(kavRun);
    const int windows = m_x->visibleWindows(kavRun->processId()).size();
    QVERIFY(m_x->type(QStringLiteral("kavmark entry9998")));
    QTRY_VERIFY(m_x->visibleWindows(kavRun->processId()).size() > windows);
    QVERIFY(m_x->key({ QStringLiteral("Down"), QStringLiteral("Return") }));
    QVERIFY(!m_session->waitForMark(QStringLiteral("entry9998")).isNull());
    QCOMPARE(waitForExitCode(kavRun), 0);

    // The run entry moves to the top; nothing else is lost or reordered.
    const QString run = history.takeAt(9998);
    history.prepend(run);
    QCOMPARE(storedSettings().value(QStringLiteral("history")).toStringList(), history);
}

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
