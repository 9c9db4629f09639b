// SPDX-License-Identifier: GPL-2.0-or-later
// The whole program against a hostile start: settings it cannot write or
// read, a missing home, no display, a long search path, a huge history.
// Each must give a working dialog or a clear message, and lose nothing.
#include "../common/zerodevice.h"
#include "kavruntest.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

class TestBadInput : public KavRunTest
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
    /**
     * Makes @p path and its folder read-only, for root too (immutable), until
     * cleanup(); false when that is not possible here.
     */
    bool makeReadOnly(const QString &path);
    static bool writeFile(const QString &path, const QByteArray &content);
    static QByteArray readFile(const QString &path);

    QStringList m_immutablePaths;
    QStringList m_mounts;

private Q_SLOTS:
    void cleanup();

    void faultsLoseNothing_data();
    void faultsLoseNothing();
    void damagedSettings();
    void homeThatDoesNotExist();
    void noDisplay();
    void searchPathOfTwoHundredFolders();
    void historyOfTenThousandEntries();
};

QProcess *TestBadInput::showDialog(const QProcessEnvironment &environment)
{
    QProcess *kavRun = m_session->startKavRun({}, environment);
    return KavRunTest::showDialog(kavRun).isEmpty() ? nullptr : kavRun;
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

bool TestBadInput::makeReadOnly(const QString &path)
{
    const QString folder = QFileInfo(path).path();
    const auto readable = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(path, readable);
    QFile::setPermissions(
        folder, readable | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther);
    // Root writes through any mode; only the immutable attribute stops it.
    if (geteuid() != 0)
        return true;
    if (QStandardPaths::findExecutable(QStringLiteral("chattr")).isEmpty()
        || !setImmutable(path, true))
        return false;
    m_immutablePaths << path;
    const bool folderLocked = setImmutable(folder, true);
    m_immutablePaths << folder;
    return folderLocked;
}

bool TestBadInput::writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(content) == content.size();
}

QByteArray TestBadInput::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestBadInput::cleanup()
{
    // The session's folder cannot go while anything in it is immutable.
    for (const QString &path : qAsConst(m_immutablePaths))
        setImmutable(path, false);
    m_immutablePaths.clear();
    // The programs go first: a file system in use cannot be unmounted.
    m_session->killAll();
    for (const QString &mount : qAsConst(m_mounts))
        QProcess::execute(QStringLiteral("umount"), { mount });
    m_mounts.clear();
    KavRunTest::cleanup();
}

// Each fault in place of a file the program keeps: the command typed still
// runs, what was stored survives as it was, and the user is told once when
// something could not be saved.
void TestBadInput::faultsLoseNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("told");
    QTest::newRow("read-only folders") << "read-only"
                                       << "settings" << true;
    QTest::newRow("full disk") << "full"
                               << "settings" << true;
    QTest::newRow("FIFO settings") << "fifo"
                                   << "settings" << true;
    QTest::newRow("FIFO usage record") << "fifo"
                                       << "usage" << true;
    QTest::newRow("FIFO desktop entry") << "fifo"
                                        << "entry" << false;
    QTest::newRow("zero device settings") << "zero"
                                          << "settings" << true;
    QTest::newRow("zero device usage record") << "zero"
                                              << "usage" << true;
    QTest::newRow("zero device desktop entry") << "zero"
                                               << "entry" << false;
    QTest::newRow("symlink loops under a resident") << "loops"
                                                    << "entry" << false;
    QTest::newRow("usage record on a mount that does not answer") << "stalled"
                                                                  << "usage" << true;
}

void TestBadInput::faultsLoseNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, file);
    QFETCH(bool, told);
    QProcessEnvironment environment = m_session->environment();
    if (fault == QLatin1String("full")) {
        if (geteuid() != 0)
            QSKIP("mounting a small file system as the home takes root");
        const QString home = m_session->path() + QStringLiteral("/full");
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QProcess::execute(QStringLiteral("mount"),
                    { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                        QStringLiteral("size=64k"), QStringLiteral("tmpfs"), home })
            == 0);
        m_mounts << home;
        environment.insert(QStringLiteral("HOME"), home);
        environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
        environment.remove(QStringLiteral("XDG_CACHE_HOME"));
        // The instance files go to the cache folder then.
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    }
    const QString home = environment.value(QStringLiteral("HOME"));
    const QString settings = environment.contains(QStringLiteral("XDG_CONFIG_HOME"))
        ? m_session->settingsFile()
        : home + QStringLiteral("/.config/kav/kav-run.conf");
    const QStringList kept = { settings, home + QStringLiteral("/.local/share/kav/kav-run/usage") };
    const QByteArrayList before = { "[General]\nhistory=kavmark old\n",
        "kav-run usage 1\n1\t" + QByteArray::number(QDateTime::currentSecsSinceEpoch())
            + "\tkavmark old\n" };
    for (int index = 0; index < kept.size(); ++index)
        QVERIFY(writeFile(kept.at(index), before.at(index)));
    const QString entry = home + QStringLiteral("/.local/share/applications/kavrun-fault.desktop");
    const QString target = file == QLatin1String("settings") ? settings
        : file == QLatin1String("usage")                     ? kept.at(1)
                                                             : entry;
    QString zeroDevice;
    if (fault == QLatin1String("fifo") || fault == QLatin1String("zero")) {
        QFile::remove(target);
        if (fault == QLatin1String("zero"))
            zeroDevice = linkToZeroDevice(target, m_session->path());
        QVERIFY(fault == QLatin1String("fifo")
                ? mkfifo(QFile::encodeName(target).constData(), 0600) == 0
                : !zeroDevice.isEmpty());
    }
    if (fault == QLatin1String("full")) {
        QFile filler(home + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(1024, 'x')) > 0) { }
    }
    if (fault == QLatin1String("stalled")) {
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(KAVRUN_STALLINGFS));
        environment.insert(QStringLiteral("KAVRUN_STALL_PATH"), target);
        environment.insert(QStringLiteral("KAVRUN_STALL_SECONDS"), QStringLiteral("5"));
        // A sanitizer build's runtime would refuse to start after the preloaded library.
        environment.insert(QStringLiteral("ASAN_OPTIONS"),
            QStringLiteral("verify_asan_link_order=0:detect_leaks=0"));
    }
    if (fault == QLatin1String("read-only")) {
        for (const QString &path : kept) {
            if (!makeReadOnly(path))
                QSKIP("root ignores file modes, and the immutable attribute is not available here");
        }
    }
    QProcess *resident = nullptr;
    if (fault == QLatin1String("loops")) {
        resident = m_session->startKavRun({ QStringLiteral("--resident") }, environment);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_session->instanceSocket()), 10000);
        QCOMPARE(waitForExitCode(m_session->startKavRun({ QStringLiteral("--resident") })), 0);
        for (const char *name : { "loop1", "loop2", "loop3" })
            QVERIFY(QFile::link(QStringLiteral("."),
                QFileInfo(entry).path() + QLatin1Char('/') + QLatin1String(name)));
    }

    QProcess *kavRun = showDialog(environment);
    QVERIFY(kavRun);
    // A resident shows its own dialog, as quickly as without the loops.
    QVERIFY(!resident || !m_x->visibleWindows(resident->processId()).isEmpty());
    QVERIFY(m_x->type(QStringLiteral("kavmark fault")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QVERIFY(!m_session->waitForMark(QStringLiteral("fault")).isNull());
    if (told) {
        QVERIFY(!m_x->waitForFocusedWindow(QStringLiteral("Warning - Run command")).isEmpty());
        QVERIFY(m_x->key({ QStringLiteral("Return") }));
    }
    QCOMPARE(waitForExitCode(kavRun), 0);

    const bool nothingSaved = fault == QLatin1String("read-only") || fault == QLatin1String("full");
    for (int index = 0; index < kept.size(); ++index) {
        const QFileInfo info(kept.at(index));
        if (info.filePath() == target && fault == QLatin1String("fifo"))
            QVERIFY(info.exists() && !info.isFile() && !info.isSymLink());
        else if (info.filePath() == target && fault == QLatin1String("zero"))
            QVERIFY(info.isSymLink() && QFileInfo::exists(zeroDevice)
                && !QFileInfo(zeroDevice).isFile());
        else if (nothingSaved || (info.filePath() == target && fault == QLatin1String("stalled")))
            QCOMPARE(readFile(info.filePath()), before.at(index));
    }
    // Nothing half-written is left beside them, nor in the cache (icons, instance files); a
    // resident saves in its own time, after the start that it answered has ended.
    QTRY_COMPARE(
        QDir(QFileInfo(settings).path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
        QStringList { QFileInfo(settings).fileName() });
    QDirIterator cache(
        home + QStringLiteral("/.cache"), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (cache.hasNext())
        QVERIFY2(QFileInfo(cache.next()).size() > 0, qPrintable(cache.filePath()));
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
