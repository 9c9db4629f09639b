// SPDX-License-Identifier: GPL-2.0-or-later
// The dialog as its user meets it: a real kav-run on a real X server, driven
// from the keyboard.
#include "../common/xvfbserver.h"
#include "kavrunsession.h"
#include "xdriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <memory>

#include <unistd.h>

// The process is gone or a zombie that nobody reaped yet.
static bool hasEnded(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    return !status.open(QIODevice::ReadOnly) || status.readAll().contains(") Z ");
}

// The sanitizers' allocator sets freed memory aside and ignores the C
// library's allocation options, so what a freed dialog held stays there.
#ifdef __SANITIZE_ADDRESS__
static const bool freedMemoryIsWiped = false;
#else
static const bool freedMemoryIsWiped = true;
#endif

// Whether the writable memory of @p pid holds @p text, as UTF-16 or as UTF-8.
static bool memoryHolds(qint64 pid, const QString &text)
{
    const qint64 maximumRegion = 256 * 1024 * 1024;
    const QByteArray utf16(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    const QByteArray utf8 = text.toUtf8();
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    QFile memory(QStringLiteral("/proc/%1/mem").arg(pid));
    if (!maps.open(QIODevice::ReadOnly) || !memory.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2 || !fields.at(1).startsWith("rw"))
            continue;
        const QList<QByteArray> range = fields.at(0).split('-');
        const qint64 begin = range.at(0).toLongLong(nullptr, 16);
        const qint64 end = range.value(1).toLongLong(nullptr, 16);
        // Far larger than a dialog's heap: a reservation such as a sanitizer's shadow.
        if (end - begin > maximumRegion || !memory.seek(begin))
            continue;
        const QByteArray contents = memory.read(end - begin);
        if (contents.contains(utf16) || contents.contains(utf8))
            return true;
    }
    return false;
}

class TestRunDialog : public QObject
{
    Q_OBJECT

private:
    /** Waits for the dialog of @p kavRun and focuses it; its window id, empty on failure. */
    QString showDialog(QProcess *kavRun) const;
    /** The command field's text, read back through the clipboard. */
    QString commandFieldText() const;
    QStringList storedHistory() const;
    /** Waits until kav-run shows @p count windows: its dialog, and its completion list. */
    bool waitForWindowCount(QProcess *kavRun, int count) const;

    XvfbServer m_server;
    std::unique_ptr<XDriver> m_x;
    std::unique_ptr<KavRunSession> m_session;

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void launchesTheTypedCommandAndCloses();
    void typedWordsReachTheProgram_data();
    void typedWordsReachTheProgram();
    void calculatesInPlaceAndStays();
    void secondStartRaisesTheFirstAndExits255();
    void unknownCommandExplainsAndStays();
    void offersTheHistoryAtTheNextStart();
    void oneEnterRunsTheTypedName_data();
    void oneEnterRunsTheTypedName();
    void runsAnApplicationFoundByAWordOfItsName();
    void escapeClosesWithoutSaving();
    void runsInATerminalThatClosesWithTheCommand();
    void terminalApplicationReachesTheTerminalAtOnce();
    void presetsOpenTheAdvancedPanel_data();
    void presetsOpenTheAdvancedPanel();
    void priorityPresetNicesTheCommand();
    void residentDialogComesBackCleanEachTime();
    void residentOffersAnApplicationInstalledMeanwhile();
    void residentEndsWithTheSession();
    void eachDisplayHasItsOwnDialog();
    void keysTypedAtOnceReachTheField_data();
    void keysTypedAtOnceReachTheField();
    void startsAgainWhileACommandRunsAsRoot();
};

QString TestRunDialog::showDialog(QProcess *kavRun) const
{
    const QString window = m_x->waitForFocusedWindow(QStringLiteral("Run Command"));
    if (window.isEmpty())
        qWarning() << "no dialog; kav-run said:" << kavRun->readAllStandardError();
    return window;
}

QString TestRunDialog::commandFieldText() const
{
    if (!m_x->key({ QStringLiteral("ctrl+a"), QStringLiteral("ctrl+c") }))
        return QString();
    // The dialog takes the clipboard when it handles the key, a moment later.
    QString text;
    QElapsedTimer clock;
    clock.start();
    do {
        text = m_x->clipboard();
    } while (text.isNull() && !clock.hasExpired(1000));
    return text;
}

QStringList TestRunDialog::storedHistory() const
{
    return QSettings(m_session->settingsFile(), QSettings::IniFormat)
        .value(QStringLiteral("history"))
        .toStringList();
}

bool TestRunDialog::waitForWindowCount(QProcess *kavRun, int count) const
{
    return QTest::qWaitFor(
        [&] { return m_x->visibleWindows(kavRun->processId()).size() == count; }, 5000);
}

// The terminal among the ancestors that a mark lists as "pid name" lines; 0 when none.
static qint64 terminalOf(const QString &mark)
{
    for (const QString &line : mark.split(QLatin1Char('\n')).mid(2)) {
        if (line.section(QLatin1Char(' '), 1) == QLatin1String("xterm"))
            return line.section(QLatin1Char(' '), 0, 0).toLongLong();
    }
    return 0;
}

void TestRunDialog::initTestCase()
{
    // Users meet the dialog under a window manager.
    if (!m_server.start(XvfbServer::WithWindowManager))
        QSKIP("Xvfb and xauth are needed for the dialog on a real X server");
    m_x = std::make_unique<XDriver>(m_server);
}

void TestRunDialog::init()
{
    m_session = std::make_unique<KavRunSession>(m_x->environment());
    QVERIFY(m_session->isValid());
}

void TestRunDialog::cleanup()
{
    m_session.reset();
}

void TestRunDialog::launchesTheTypedCommandAndCloses()
{
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());

    QVERIFY(m_x->type(QStringLiteral("kavmark typed with  two   blanks")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    const QString mark = m_session->waitForMark(QStringLiteral("typed"));
    QVERIFY2(!mark.isNull(), "the typed command did not run");
    QCOMPARE(mark.section(QLatin1Char('\n'), 0, 0), QStringLiteral("typed with two blanks"));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(storedHistory(), QStringList { QStringLiteral("kavmark typed with two blanks") });
}

static bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(contents) == contents.size();
}

void TestRunDialog::typedWordsReachTheProgram_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("received");
    // The entry's Exec is "xterm": the words after its name become xterm's.
    QTest::newRow("words after a desktop entry")
        << QStringLiteral("debian-xterm -e kavmark entry two words")
        << QStringLiteral("entry two words");
    // The session's default application for text, through xdg-open.
    QTest::newRow("document in the home folder")
        << QStringLiteral("~/notes.txt") << QStringLiteral("opened ~/notes.txt");
}

void TestRunDialog::typedWordsReachTheProgram()
{
    QFETCH(QString, typed);
    QFETCH(QString, received);
    if (typed.startsWith(QLatin1String("debian-xterm"))
        && !QFile::exists(QStringLiteral("/usr/share/applications/debian-xterm.desktop")))
        QSKIP("xterm's desktop entry is not installed");
    const QString home = m_session->environment().value(QStringLiteral("HOME"));
    QVERIFY(writeFile(home + QStringLiteral("/notes.txt"), "plain words\n"));
    QVERIFY(writeFile(home + QStringLiteral("/.local/share/applications/kavmark-opener.desktop"),
        "[Desktop Entry]\nType=Application\nName=Opener\nMimeType=text/plain;\n"
        "Exec=kavmark opened %f\n"));
    QVERIFY(writeFile(m_session->path() + QStringLiteral("/config/mimeapps.list"),
        "[Default Applications]\ntext/plain=kavmark-opener.desktop\n"));
    QProcessEnvironment environment = m_session->environment();
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("X-Generic"));

    QProcess *kavRun = m_session->startKavRun({}, environment);
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(m_x->type(typed));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    const QString mark = m_session->waitForMark(received.section(QLatin1Char(' '), 0, 0));
    QVERIFY2(!mark.isNull(),
        qPrintable(QStringLiteral("nothing ran; kav-run said: ")
            + QString::fromLocal8Bit(kavRun->readAllStandardError())));
    QCOMPARE(mark.section(QLatin1Char('\n'), 0, 0), received.replace(QLatin1Char('~'), home));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

void TestRunDialog::calculatesInPlaceAndStays()
{
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());

    QVERIFY(m_x->type(QStringLiteral("2+3*4")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(commandFieldText(), QStringLiteral("14"), 3000);
    QVERIFY(m_x->key({ QStringLiteral("BackSpace") }));
    QVERIFY(m_x->type(QStringLiteral("7/2")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QTRY_COMPARE_WITH_TIMEOUT(commandFieldText(), QStringLiteral("3.50000000"), 3000);

    QCOMPARE(kavRun->state(), QProcess::Running);
    QVERIFY2(!QFile::exists(m_session->settingsFile()), "a calculation saved the settings");
}

void TestRunDialog::secondStartRaisesTheFirstAndExits255()
{
    QProcess *first = m_session->startKavRun();
    const QString dialog = showDialog(first);
    QVERIFY(!dialog.isEmpty());
    QVERIFY(m_x->type(QStringLiteral("kavmark first")));

    // A terminal window opened later covers the dialog.
    m_session->startProgram(QStringLiteral("xterm"),
        { QStringLiteral("-T"), QStringLiteral("kav-run cover"), QStringLiteral("-e"),
            QStringLiteral("sleep"), QStringLiteral("60") });
    const QString cover = m_x->waitForWindow(QStringLiteral("kav-run cover"));
    QVERIFY(!cover.isEmpty());
    QVERIFY(m_x->stackingOrder().indexOf(cover) > m_x->stackingOrder().indexOf(dialog));

    // The second start's options and words must reach nothing.
    QProcess *second = m_session->startKavRun(
        { QStringLiteral("--terminal"), QStringLiteral("kavmark"), QStringLiteral("second") });
    QCOMPARE(waitForExitCode(second), 255);
    QTRY_VERIFY(m_x->stackingOrder().indexOf(dialog) > m_x->stackingOrder().indexOf(cover));

    QCOMPARE(first->state(), QProcess::Running);
    QVERIFY(m_x->focus(dialog));
    QCOMPARE(commandFieldText(), QStringLiteral("kavmark first"));
    QVERIFY(m_x->key({ QStringLiteral("End"), QStringLiteral("Return") }));
    QVERIFY(!m_session->waitForMark(QStringLiteral("first")).isNull());
    QCOMPARE(waitForExitCode(first), 0);
    QVERIFY(!QFile::exists(m_session->path() + QStringLiteral("/marks/second")));
}

void TestRunDialog::unknownCommandExplainsAndStays()
{
    QProcess *kavRun = m_session->startKavRun();
    const QString dialog = showDialog(kavRun);
    QVERIFY(!dialog.isEmpty());
    QVERIFY(m_x->type(QStringLiteral("kavrun-no-such-program now")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    const QString message = m_x->waitForFocusedWindow(QStringLiteral("Error - Run command"));
    QVERIFY2(!message.isEmpty(), "no message about the unknown command");
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QTRY_VERIFY(!m_x->visibleWindows(kavRun->processId()).contains(message));

    QCOMPARE(kavRun->state(), QProcess::Running);
    QVERIFY(m_x->focus(dialog));
    QCOMPARE(commandFieldText(), QStringLiteral("kavrun-no-such-program now"));
    QVERIFY(!QFile::exists(m_session->settingsFile()));
}

void TestRunDialog::offersTheHistoryAtTheNextStart()
{
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(m_x->type(QStringLiteral("kavmark remembered")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
    // The detached command may still be writing its mark after the dialog ended.
    QVERIFY(!m_session->waitForMark(QStringLiteral("remembered")).isNull());
    QVERIFY(QFile::remove(m_session->path() + QStringLiteral("/marks/remembered")));
    QCOMPARE(storedHistory(), QStringList { QStringLiteral("kavmark remembered") });

    kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    const QStringList windows = m_x->visibleWindows(kavRun->processId());
    QVERIFY(m_x->type(QStringLiteral("kavmark r")));
    // The completion popup is a window of its own.
    QTRY_VERIFY(m_x->visibleWindows(kavRun->processId()).size() > windows.size());
    // Return takes the popup's entry and runs it at once.
    QVERIFY(m_x->key({ QStringLiteral("Down"), QStringLiteral("Return") }));
    QVERIFY(!m_session->waitForMark(QStringLiteral("remembered")).isNull());
    QCOMPARE(waitForExitCode(kavRun), 0);
}

// The name matches itself and an older command, so the list is open (or,
// inline, proposes the older command) when Enter comes.
void TestRunDialog::oneEnterRunsTheTypedName_data()
{
    QTest::addColumn<int>("completionMode");
    QTest::addColumn<int>("windowsWhileTyping");
    QTest::newRow("popup") << 0 << 2;
    QTest::newRow("unfiltered popup") << 1 << 2;
    QTest::newRow("inline") << 2 << 1;
}

void TestRunDialog::oneEnterRunsTheTypedName()
{
    QFETCH(int, completionMode);
    QFETCH(int, windowsWhileTyping);
    {
        QSettings settings(m_session->settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("completionMode"), completionMode);
        settings.setValue(
            QStringLiteral("history"), QStringList { QStringLiteral("kavmark older") });
    }
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());

    QVERIFY(m_x->type(QStringLiteral("kavmark")));
    QVERIFY(waitForWindowCount(kavRun, windowsWhileTyping));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    QVERIFY2(!m_session->waitForMark(QStringLiteral("kavmark")).isNull(), "one Enter ran nothing");
    QCOMPARE(waitForExitCode(kavRun), 0);
    QVERIFY(!QFile::exists(m_session->path() + QStringLiteral("/marks/older")));
    QCOMPARE(storedHistory().value(0), QStringLiteral("kavmark"));
}

void TestRunDialog::runsAnApplicationFoundByAWordOfItsName()
{
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    const QStringList windows = m_x->visibleWindows(kavRun->processId());
    for (const QString &letter : { QStringLiteral("e"), QStringLiteral("d"), QStringLiteral("i") })
        QVERIFY(m_x->type(letter));
    QTRY_VERIFY(m_x->visibleWindows(kavRun->processId()).size() > windows.size());
    // Other applications may match too: step down to the session's "Text Editor",
    // whose id the field shows while its row is highlighted.
    QString highlighted;
    for (int row = 0; row < 10 && highlighted != QLatin1String("kavrun-texteditor"); ++row) {
        QVERIFY(m_x->key({ QStringLiteral("Down") }));
        highlighted = commandFieldText();
    }
    QCOMPARE(highlighted, QStringLiteral("kavrun-texteditor"));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    const QString mark = m_session->waitForMark(QStringLiteral("editor"));
    QVERIFY2(!mark.isNull(), "the chosen application did not run");
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(storedHistory(), QStringList { QStringLiteral("kavrun-texteditor") });
}

void TestRunDialog::escapeClosesWithoutSaving()
{
    QProcess *kavRun = m_session->startKavRun();
    const QString dialog = showDialog(kavRun);
    QVERIFY(!dialog.isEmpty());
    // With the completion list or the handbook open, Escape closes only that.
    QVERIFY(m_x->type(QStringLiteral("kavmark")));
    QVERIFY(waitForWindowCount(kavRun, 2));
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QVERIFY(waitForWindowCount(kavRun, 1));
    QVERIFY(m_x->key({ QStringLiteral("F1") }));
    QVERIFY(!m_x->waitForWindow(QStringLiteral("Kav command runner Handbook")).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QVERIFY(waitForWindowCount(kavRun, 1));
    QTest::qWait(300);
    QCOMPARE(kavRun->state(), QProcess::Running);

    QVERIFY(m_x->focus(dialog));
    QVERIFY(m_x->type(QStringLiteral(" escaped")));
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QVERIFY(!QFile::exists(m_session->settingsFile()));
    QVERIFY(!QFile::exists(m_session->path() + QStringLiteral("/marks/escaped")));
}

void TestRunDialog::runsInATerminalThatClosesWithTheCommand()
{
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    // The mnemonic reaches the dialog through the open completion list.
    QVERIFY(m_x->type(QStringLiteral("kavmark")));
    QVERIFY(waitForWindowCount(kavRun, 2));
    QVERIFY(m_x->key({ QStringLiteral("alt+t") }));
    // A mnemonic clicks its box with an animation: the tick comes 100 ms later.
    QTest::qWait(300);
    QVERIFY(m_x->key({ QStringLiteral("alt+m"), QStringLiteral("End") }));
    QVERIFY(m_x->type(QStringLiteral(" terminal")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    const QString mark = m_session->waitForMark(QStringLiteral("terminal"));
    QVERIFY2(!mark.isNull(), "the command did not run in the terminal");
    QCOMPARE(waitForExitCode(kavRun), 0);
    const qint64 terminal = terminalOf(mark);
    QVERIFY2(terminal > 0, qPrintable(QStringLiteral("no xterm among the ancestors:\n") + mark));
    QTRY_VERIFY_WITH_TIMEOUT(hasEnded(terminal), 5000);
    QVERIFY(QSettings(m_session->settingsFile(), QSettings::IniFormat)
                .value(QStringLiteral("terminalApps"))
                .toStringList()
                .contains(QStringLiteral("kavmark terminal")));
}

// "ls" is a terminal application from the start; the box ticks itself a
// moment after the typing stops, and Enter may come sooner.
void TestRunDialog::terminalApplicationReachesTheTerminalAtOnce()
{
    QVERIFY(QFile::link(m_session->binDirectory() + QStringLiteral("/kavmark"),
        m_session->binDirectory() + QStringLiteral("/ls")));
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("l"), QStringLiteral("s"), QStringLiteral("Return") }));

    const QString mark = m_session->waitForMark(QStringLiteral("ls"));
    QVERIFY2(!mark.isNull(), "ls did not run");
    QVERIFY2(
        terminalOf(mark) > 0, qPrintable(QStringLiteral("ls ran without a terminal:\n") + mark));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QVERIFY(QSettings(m_session->settingsFile(), QSettings::IniFormat)
                .value(QStringLiteral("terminalApps"))
                .toStringList()
                .contains(QStringLiteral("ls")));
}

// A preset opens the advanced options as the Advanced button does: to the
// same height, which shows every control, and the next press closes them.
void TestRunDialog::presetsOpenTheAdvancedPanel_data()
{
    QTest::addColumn<QStringList>("preset");
    QTest::newRow("user") << QStringList { QStringLiteral("-u"), QStringLiteral("root") };
    QTest::newRow("priority") << QStringList { QStringLiteral("-p"), QStringLiteral("5") };
    QTest::newRow("real-time") << QStringList { QStringLiteral("-r") };
}

void TestRunDialog::presetsOpenTheAdvancedPanel()
{
    QFETCH(QStringList, preset);
    QProcess *kavRun = m_session->startKavRun();
    const QString window = showDialog(kavRun);
    QVERIFY(!window.isEmpty());
    const int closedHeight = m_x->windowSize(window).height();
    QVERIFY(closedHeight > 0);
    QVERIFY(m_x->key({ QStringLiteral("alt+a") }));
    QTRY_VERIFY(m_x->windowSize(window).height() > closedHeight);
    const QSize opened = m_x->windowSize(window);
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);

    kavRun = m_session->startKavRun(preset);
    const QString presetWindow = showDialog(kavRun);
    QVERIFY(!presetWindow.isEmpty());
    QTRY_COMPARE(m_x->windowSize(presetWindow), opened);
    QVERIFY(m_x->key({ QStringLiteral("alt+a") }));
    QTRY_VERIFY(m_x->windowSize(presetWindow).height() < opened.height());
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

void TestRunDialog::priorityPresetNicesTheCommand()
{
    QProcess *kavRun = m_session->startKavRun({ QStringLiteral("-p"), QStringLiteral("5") });
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(m_x->type(QStringLiteral("kavmark niced")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    const QString mark = m_session->waitForMark(QStringLiteral("niced"));
    QVERIFY(!mark.isNull());
    QCOMPARE(mark.section(QLatin1Char('\n'), 1, 1), QStringLiteral("5"));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

void TestRunDialog::residentDialogComesBackCleanEachTime()
{
    QProcess *resident = m_session->startKavRun({ QStringLiteral("--resident") });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_session->instanceSocket()), 10000);
    QVERIFY(m_x->visibleWindows(resident->processId()).isEmpty());
    // Answered once the resident has prepared its dialog.
    QCOMPARE(waitForExitCode(m_session->startKavRun({ QStringLiteral("--resident") })), 0);
    QVERIFY(m_x->visibleWindows(resident->processId()).isEmpty());
    // Settings that another kav-run writes meanwhile are read again.
    QSettings(m_session->settingsFile(), QSettings::IniFormat)
        .setValue(QStringLiteral("history"), QStringList { QStringLiteral("kavmark external") });

    // A later start hands over its options and words, the toolkit's own
    // options left out, and is done.
    QProcess *start = m_session->startKavRun(
        { QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("-u"),
            QStringLiteral("root"), QStringLiteral("kavmark"), QStringLiteral("resident") });
    QCOMPARE(waitForExitCode(start), 0);
    const QString preset = showDialog(resident);
    QVERIFY(!preset.isEmpty());
    // As at a start of its own, the preset leaves the focus in the command field.
    QCOMPARE(commandFieldText(), QStringLiteral("kavmark resident"));
    QVERIFY(m_x->key({ QStringLiteral("Down") }));
    QCOMPARE(commandFieldText(), QStringLiteral("kavmark external"));
    const QSize presetSize = m_x->windowSize(preset);
    const QString password = QStringLiteral("zz-kavrun-secret-4711");
    QVERIFY(m_x->key({ QStringLiteral("alt+w") }));
    QVERIFY(m_x->type(password));
    QVERIFY(!freedMemoryIsWiped || memoryHolds(resident->processId(), password));

    // A dialog in the foreground is raised, as without a resident.
    QCOMPARE(waitForExitCode(m_session->startKavRun({ QStringLiteral("ls") })), 255);

    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QTRY_VERIFY(m_x->visibleWindows(resident->processId()).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(
        !freedMemoryIsWiped || !memoryHolds(resident->processId(), password), 5000);
    QCOMPARE(storedHistory(), QStringList { QStringLiteral("kavmark external") });

    // The next dialog keeps nothing of the last: no text, no advanced
    // options, no other user.
    QCOMPARE(waitForExitCode(m_session->startKavRun()), 0);
    const QString clean = showDialog(resident);
    QVERIFY(!clean.isEmpty());
    QVERIFY(m_x->windowSize(clean).height() < presetSize.height());
    QVERIFY(m_x->type(QStringLiteral("kavmark clean")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    const QString mark = m_session->waitForMark(QStringLiteral("clean"));
    QCOMPARE(mark.section(QLatin1Char('\n'), 0, 0), QStringLiteral("clean"));
    QTRY_VERIFY(m_x->visibleWindows(resident->processId()).isEmpty());
    QCOMPARE(storedHistory(),
        (QStringList { QStringLiteral("kavmark clean"), QStringLiteral("kavmark external") }));
    QCOMPARE(resident->state(), QProcess::Running);

    // A killed resident leaves a normal start behind it.
    resident->kill();
    QVERIFY(resident->waitForFinished());
    QProcess *normal = m_session->startKavRun();
    QVERIFY(!showDialog(normal).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(normal), 0);
}

void TestRunDialog::residentOffersAnApplicationInstalledMeanwhile()
{
    QProcess *resident = m_session->startKavRun({ QStringLiteral("--resident") });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_session->instanceSocket()), 10000);
    // Answered once the resident has prepared its dialog.
    QCOMPARE(waitForExitCode(m_session->startKavRun({ QStringLiteral("--resident") })), 0);
    QVERIFY(writeFile(m_session->environment().value(QStringLiteral("HOME"))
            + QStringLiteral("/.local/share/applications/kavrun-added.desktop"),
        "[Desktop Entry]\nType=Application\nName=Zebra Tool\nExec=kavmark added\n"));

    QCOMPARE(waitForExitCode(m_session->startKavRun()), 0);
    QVERIFY(!showDialog(resident).isEmpty());
    const QStringList windows = m_x->visibleWindows(resident->processId());
    QVERIFY(m_x->type(QStringLiteral("zebr")));
    QTRY_VERIFY(m_x->visibleWindows(resident->processId()).size() > windows.size());
    QVERIFY(m_x->key({ QStringLiteral("Down") }));
    QCOMPARE(commandFieldText(), QStringLiteral("kavrun-added"));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QVERIFY(!m_session->waitForMark(QStringLiteral("added")).isNull());
}

void TestRunDialog::residentEndsWithTheSession()
{
    XvfbServer session;
    QVERIFY(session.start());
    KavRunSession user(XDriver(session).environment());
    QProcess *resident = user.startKavRun({ QStringLiteral("--resident") });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(user.instanceSocket()), 10000);
    session.stop();
    QVERIFY(waitForExitCode(resident) != -1000 || resident->state() == QProcess::NotRunning);
}

// One user on two displays, as with a second seat or a nested session: each
// display has a dialog of its own, a resident included.
void TestRunDialog::eachDisplayHasItsOwnDialog()
{
    XvfbServer secondSeat;
    QVERIFY(secondSeat.start());
    const XDriver there(secondSeat);
    QProcessEnvironment onSecondSeat = m_session->environment();
    onSecondSeat.insert(QStringLiteral("DISPLAY"), secondSeat.display());
    onSecondSeat.insert(QStringLiteral("XAUTHORITY"), secondSeat.authorityFile());

    QProcess *resident = m_session->startKavRun({ QStringLiteral("--resident") });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_session->instanceSocket()), 10000);
    QProcess *second = m_session->startKavRun({}, onSecondSeat);
    const QString dialog = there.waitForWindow(QStringLiteral("Run Command"));
    QVERIFY(!dialog.isEmpty());
    QVERIFY(m_x->visibleWindows(resident->processId()).isEmpty());

    QCOMPARE(waitForExitCode(m_session->startKavRun()), 0);
    QVERIFY(!showDialog(resident).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QVERIFY(there.focus(dialog));
    QVERIFY(there.key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(second), 0);
}

void TestRunDialog::keysTypedAtOnceReachTheField_data()
{
    QTest::addColumn<bool>("resident");
    QTest::newRow("first start") << false;
    QTest::newRow("resident") << true;
}

// The user types on right after the key that starts kav-run: every key
// reaches the command field, and none the window that had the focus. They
// come once the dialog has the focus, long before kav-run would give the
// keyboard back on its own after 3 seconds.
void TestRunDialog::keysTypedAtOnceReachTheField()
{
    QFETCH(bool, resident);
    const QString typedThere = m_session->path() + QStringLiteral("/typed-into-terminal");
    m_session->startProgram(QStringLiteral("xterm"),
        { QStringLiteral("-T"), QStringLiteral("kav-run previous"), QStringLiteral("-e"),
            QStringLiteral("sh"), QStringLiteral("-c"),
            QStringLiteral("stty -icanon; cat > \"$0\""), typedThere });
    QVERIFY(!m_x->waitForFocusedWindow(QStringLiteral("kav-run previous")).isEmpty());
    QTRY_VERIFY(QFile::exists(typedThere));
    if (resident) {
        m_session->startKavRun({ QStringLiteral("--resident") });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_session->instanceSocket()), 10000);
        QCOMPARE(waitForExitCode(m_session->startKavRun({ QStringLiteral("--resident") })), 0);
    }

    QProcess *kavRun = m_session->startKavRun();
    // A key pressed in the very milliseconds that kav-run needs to take the
    // keyboard is gone before it can; the dialog comes far later.
    QTest::qWait(30);
    QVERIFY(m_x->type(QStringLiteral("kavmark burst")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QCOMPARE(m_session->waitForMark(QStringLiteral("burst"), 2500).section(QLatin1Char('\n'), 0, 0),
        QStringLiteral("burst"));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(QFileInfo(typedThere).size(), qint64(0));
}

void TestRunDialog::startsAgainWhileACommandRunsAsRoot()
{
    if (geteuid() != 0)
        QSKIP("su asks root for no password; anyone else would need one");
    const QString finished = m_session->path() + QStringLiteral("/marks/asroot");
    // su finds the companion on the search path.
    QProcessEnvironment environment = m_session->environment();
    environment.insert(QStringLiteral("PATH"),
        qEnvironmentVariable("KAVRUN_BINARY_DIR") + QStringLiteral("/stub:")
            + environment.value(QStringLiteral("PATH")));
    QProcess *first = m_session->startKavRun(
        { QStringLiteral("--su"), QStringLiteral("--user"), QStringLiteral("root"),
            QStringLiteral("sleep"), QStringLiteral("30;"), QStringLiteral("touch"), finished },
        environment);
    QVERIFY(!showDialog(first).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QCOMPARE(waitForExitCode(first), 0);

    // The command runs on as root (until the session ends it), and the next start is a
    // dialog of its own.
    QProcess *second = m_session->startKavRun();
    QVERIFY(!showDialog(second).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(second), 0);
    QVERIFY(!QFile::exists(finished));
}

QTEST_GUILESS_MAIN(TestRunDialog)
#include "tst_rundialog.moc"
