// SPDX-License-Identifier: GPL-2.0-or-later
// The dialog as its user meets it: a real kav-run on a real X server, driven
// from the keyboard.
#include "../common/throwawayaccount.h"
#include "kavruntest.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTest>

#include <memory>

#include <signal.h>
#include <unistd.h>

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

// The files below @p folder, hidden ones included, that hold @p text.
static QStringList filesHolding(const QString &folder, const QByteArray &text)
{
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(text))
            found.append(file.fileName());
    }
    return found;
}

class TestRunDialog : public KavRunTest
{
    Q_OBJECT

private:
    /** The command field's text, read back through the clipboard. */
    QString commandFieldText() const;
    /**
     * Types @p text into a new dialog key by key and presses Enter once, once
     * the completion list is open when @p listed; the command that ran, as the
     * history has it, once it left the mark @p mark. Empty when that did not happen.
     */
    QString enterAfterTyping(const QString &text, const QString &mark, bool listed = false);
    QStringList storedHistory() const { return stored(QStringLiteral("history")); }
    QStringList storedTerminalApps() const { return stored(QStringLiteral("terminalApps")); }
    /** The string list that kav-run saved under @p key. */
    QStringList stored(const QString &key) const;
    /** Waits until kav-run shows @p count windows: its dialog, and its completion list. */
    bool waitForWindowCount(QProcess *kavRun, int count) const;
    /** Presses @p keys one by one, pausing where one is "wait"; false when one failed. */
    bool pressKeys(const QStringList &keys) const;

private Q_SLOTS:
    void launchesTheTypedCommandAndCloses();
    void titleIsTheDialogsOwn_data();
    void titleIsTheDialogsOwn();
    void typedWordsReachTheProgram_data();
    void typedWordsReachTheProgram();
    void calculatesInPlaceAndStays_data();
    void calculatesInPlaceAndStays();
    void secondStartRaisesTheFirstAndExits255();
    void unknownCommandExplainsAndStays();
    void offersTheHistoryAtTheNextStart();
    void oneEnterRunsTheTypedName_data();
    void oneEnterRunsTheTypedName();
    void enterTakesTheBestMatch();
    void chosenApplicationRunsItsEntry_data();
    void chosenApplicationRunsItsEntry();
    void historyShowsNamesAndClears_data();
    void historyShowsNamesAndClears();
    void completionListShowsEveryRow();
    void showsAnEntrysSvgIcon();
    void escapeClosesWithoutSaving();
    void runsInATerminalAskedToStayOpen();
    void terminalFollowsTheText_data();
    void terminalFollowsTheText();
    void presetTextMeetsTheSettingsAfterASlowStart();
    void presetsOpenTheAdvancedPanel_data();
    void presetsOpenTheAdvancedPanel();
    void priorityPresetNicesTheCommand();
    void residentDialogComesBackCleanEachTime();
    void residentOffersAnApplicationInstalledMeanwhile();
    void residentEndsWithTheSession();
    void eachDisplayHasItsOwnDialog();
    void keysTypedAtOnceReachTheField_data();
    void keysTypedAtOnceReachTheField();
    void keysAfterAShortcutReachItsField_data();
    void keysAfterAShortcutReachItsField();
    void startsAgainWhileACommandRunsAsRoot();
    void refusedAsRootAndStays_data();
    void refusedAsRootAndStays();
    void presetUserTakesThePasswordTypedAtOnce_data();
    void presetUserTakesThePasswordTypedAtOnce();
};

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

QStringList TestRunDialog::stored(const QString &key) const
{
    return QSettings(m_session->settingsFile(), QSettings::IniFormat).value(key).toStringList();
}

bool TestRunDialog::pressKeys(const QStringList &keys) const
{
    for (const QString &key : keys) {
        if (key == QLatin1String("wait"))
            QTest::qWait(700);
        else if (!m_x->key({ key }))
            return false;
    }
    return true;
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

// Window-manager rules match the title in either property.
void TestRunDialog::titleIsTheDialogsOwn_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("title");
    QTest::newRow("English") << QStringLiteral("en") << QStringLiteral("Run Command");
    QTest::newRow("German") << QStringLiteral("de") << QStringLiteral("Befehl ausführen");
}

void TestRunDialog::titleIsTheDialogsOwn()
{
    QFETCH(QString, language);
    QFETCH(QString, title);
    // The C library's locale stays C.UTF-8, which every system has.
    QProcessEnvironment environment = m_session->environment();
    environment.insert(QStringLiteral("LANGUAGE"), language);
    QProcess *kavRun = m_session->startKavRun({}, environment);
    const QString window = m_x->waitForFocusedWindow(title);
    QVERIFY2(!window.isEmpty(), qPrintable(QString::fromLocal8Bit(kavRun->readAllStandardError())));

    QCOMPARE(m_x->textProperty(window, QStringLiteral("WM_NAME")), title);
    QCOMPARE(m_x->textProperty(window, QStringLiteral("_NET_WM_NAME")), title);
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
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
    // An address without a scheme reaches the opener as a web address.
    QTest::newRow("www address") << QStringLiteral("www.example.org")
                                 << QStringLiteral("browsed https://www.example.org");
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
    QVERIFY(writeFile(home + QStringLiteral("/.local/share/applications/kavmark-browser.desktop"),
        "[Desktop Entry]\nType=Application\nName=Browser\nExec=kavmark browsed %u\n"));
    QVERIFY(writeFile(m_session->path() + QStringLiteral("/config/mimeapps.list"),
        "[Default Applications]\ntext/plain=kavmark-opener.desktop\n"
        "x-scheme-handler/https=kavmark-browser.desktop\n"));
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

void TestRunDialog::calculatesInPlaceAndStays_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    QTest::newRow("precedence") << QStringLiteral("2+3*4") << QStringLiteral("14");
    QTest::newRow("division") << QStringLiteral("7/2") << QStringLiteral("3.5");
    QTest::newRow("below one") << QStringLiteral("1/8") << QStringLiteral("0.125");
    QTest::newRow("remainder") << QStringLiteral("5%3") << QStringLiteral("2");
    QTest::newRow("fractional power") << QStringLiteral("4^0.5") << QStringLiteral("2");
    QTest::newRow("long result on one line")
        << QStringLiteral("2^300")
        << QStringLiteral("203703597633448608626844568840937816105146839366593625063614044935"
                          "4381299763336706183397376");
    // Left as typed: the hint says why.
    QTest::newRow("result too long") << QStringLiteral("10^9999999") << QString();
}

void TestRunDialog::calculatesInPlaceAndStays()
{
    QFETCH(QString, expression);
    QFETCH(QString, result);
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());

    QVERIFY(m_x->type(expression));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    if (result.isEmpty()) {
        QTest::qWait(2000);
        QCOMPARE(commandFieldText(), expression);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(commandFieldText(), result, 3000);
    }

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
// inline, the field shows the older command, which then runs).
void TestRunDialog::oneEnterRunsTheTypedName_data()
{
    QTest::addColumn<int>("completionMode");
    QTest::addColumn<int>("windowsWhileTyping");
    QTest::addColumn<QString>("ran");
    QTest::newRow("popup") << 0 << 2 << QStringLiteral("kavmark");
    QTest::newRow("unfiltered popup") << 1 << 2 << QStringLiteral("kavmark");
    QTest::newRow("inline") << 2 << 1 << QStringLiteral("kavmark older");
}

void TestRunDialog::oneEnterRunsTheTypedName()
{
    QFETCH(int, completionMode);
    QFETCH(int, windowsWhileTyping);
    QFETCH(QString, ran);
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

    const QString mark = ran.section(QLatin1Char(' '), -1);
    QVERIFY2(!m_session->waitForMark(mark).isNull(), "one Enter ran nothing");
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(QFile::exists(m_session->path() + QStringLiteral("/marks/older")),
        mark == QLatin1String("older"));
    QCOMPARE(storedHistory().value(0), ran);
}

// Enter takes the list's first row when the text cannot run: "edi" is no
// program, and the session's "Text Editor" comes first.
void TestRunDialog::enterTakesTheBestMatch()
{
    QCOMPARE(enterAfterTyping(QStringLiteral("edi"), QStringLiteral("editor"), true),
        QStringLiteral("Text Editor"));

    // Of two applications that match alike, the one run more often comes first.
    const QString applications = m_session->environment().value(QStringLiteral("HOME"))
        + QStringLiteral("/.local/share/applications/");
    for (const char *name : { "one", "two" }) {
        QVERIFY(writeFile(
            applications + QStringLiteral("kavrun-zzal%1.desktop").arg(QLatin1String(name)),
            "[Desktop Entry]\nType=Application\nName=Zzal " + QByteArray(name)
                + "\nExec=kavmark zzal" + name + "\n"));
    }
    // Typed by its id, it is kept by its name.
    for (int run = 0; run < 3; ++run) {
        QCOMPARE(enterAfterTyping(QStringLiteral("kavrun-zzaltwo"), QStringLiteral("zzaltwo")),
            QStringLiteral("Zzal two"));
        QVERIFY(QFile::remove(m_session->path() + QStringLiteral("/marks/zzaltwo")));
    }
    QCOMPARE(enterAfterTyping(QStringLiteral("zzal"), QStringLiteral("zzaltwo"), true),
        QStringLiteral("Zzal two"));

    // In the empty field Enter runs the last command again: the application.
    QVERIFY(QFile::remove(m_session->path() + QStringLiteral("/marks/zzaltwo")));
    QCOMPARE(enterAfterTyping(QString(), QStringLiteral("zzaltwo")), QStringLiteral("Zzal two"));
}

// An application whose id is also a program: chosen in the list or in the menu,
// it runs its entry, announced to the window manager, and runs it again from
// the history; typed, the program runs.
void TestRunDialog::chosenApplicationRunsItsEntry_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("list") << false;
    QTest::newRow("menu") << true;
}

void TestRunDialog::chosenApplicationRunsItsEntry()
{
    QFETCH(bool, fromMenu);
    QVERIFY(writeFile(m_session->environment().value(QStringLiteral("HOME"))
            + QStringLiteral("/.local/share/applications/kavmark.desktop"),
        "[Desktop Entry]\nType=Application\nName=Mark Maker\nStartupNotify=true\n"
        "Exec=sh -c 'kavmark fromentry \"$1\" \"${DESKTOP_STARTUP_ID%%%%-*}\"' sh \"a  b\" %F\n"));
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    if (fromMenu) {
        QVERIFY(m_x->key({ QStringLiteral("alt+l") }));
        QVERIFY(!m_x->waitForFocusedWindow(QStringLiteral("Choose Application")).isEmpty());
        QVERIFY(m_x->type(QStringLiteral("Mark Ma")));
        QVERIFY(m_x->key({ QStringLiteral("Return") }));
    } else {
        QVERIFY(m_x->type(QStringLiteral("Mark Ma")));
        QVERIFY(waitForWindowCount(kavRun, 2));
        QVERIFY(m_x->key({ QStringLiteral("Down"), QStringLiteral("Return") }));
    }
    const QString marks = m_session->path() + QStringLiteral("/marks/");
    QCOMPARE(m_session->waitForMark(QStringLiteral("fromentry")).section(QLatin1Char('\n'), 0, 0),
        QStringLiteral("fromentry a  b kav"));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(storedHistory(), QStringList { QStringLiteral("Mark Maker") });
    QCOMPARE(stored(QStringLiteral("historyApplications")),
        QStringList { QStringLiteral("kavmark\tMark Maker") });

    QVERIFY(QFile::remove(marks + QStringLiteral("fromentry")));
    kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Up"), QStringLiteral("Return") }));
    QVERIFY(!m_session->waitForMark(QStringLiteral("fromentry")).isNull());
    QCOMPARE(waitForExitCode(kavRun), 0);

    QCOMPARE(enterAfterTyping(QStringLiteral("kavmark typed"), QStringLiteral("typed")),
        QStringLiteral("kavmark typed"));
}

// The history as the user meets it: an application typed by its id is kept
// by its name, which Up, Down in the list and Enter in the empty field take
// and run as the application. "Clear history" (the menu key, its last item,
// then the answer to its question) empties the list and leaves Enter in the
// empty field nothing to run.
void TestRunDialog::historyShowsNamesAndClears_data()
{
    QTest::addColumn<QStringList>("keys");
    // The field's text before Enter; null: not looked at.
    QTest::addColumn<QString>("field");
    // The mark of what Enter then runs; empty: nothing runs.
    QTest::addColumn<QString>("mark");
    const QString wait = QStringLiteral("wait");
    const QStringList clear = { QStringLiteral("Menu"), wait, QStringLiteral("Up"),
        QStringLiteral("Return"), wait };
    // Enter takes the list's first row, as the hint says.
    const QStringList kavm = { wait, QStringLiteral("k"), QStringLiteral("a"), QStringLiteral("v"),
        QStringLiteral("m"), wait };
    const QString editor = QStringLiteral("Text Editor");
    QTest::newRow("Up") << QStringList { QStringLiteral("Up") } << editor
                        << QStringLiteral("editor");
    // Down moves on from the first row, which Enter would take; Up comes back to it.
    QTest::newRow("Down and Up in the list") << QStringList { QStringLiteral("T"),
        QStringLiteral("e"), QStringLiteral("x"), wait, QStringLiteral("Down"),
        QStringLiteral("Up") } << editor << QStringLiteral("editor");
    QTest::newRow("empty field") << QStringList() << QString() << QStringLiteral("editor");
    QTest::newRow("cleared, then the list") << clear + QStringList { QStringLiteral("y") } + kavm
                                            << QString() << QStringLiteral("kavmark");
    QTest::newRow("cleared, then the empty field")
        << clear + QStringList { QStringLiteral("y"), wait } << QString() << QString();
    QTest::newRow("clearing refused") << clear + QStringList { QStringLiteral("Escape") } + kavm
                                      << QString() << QStringLiteral("remembered");
}

void TestRunDialog::historyShowsNamesAndClears()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, field);
    QFETCH(QString, mark);
    const QString marks = m_session->path() + QStringLiteral("/marks/");
    QCOMPARE(enterAfterTyping(QStringLiteral("kavmark remembered"), QStringLiteral("remembered")),
        QStringLiteral("kavmark remembered"));
    QCOMPARE(enterAfterTyping(QStringLiteral("kavrun-texteditor"), QStringLiteral("editor")),
        QStringLiteral("Text Editor"));
    QVERIFY(QFile::remove(marks + QStringLiteral("remembered")));
    QVERIFY(QFile::remove(marks + QStringLiteral("editor")));

    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(pressKeys(keys));
    if (!field.isNull())
        QCOMPARE(commandFieldText(), field);
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    if (mark.isEmpty()) {
        // The dialog stayed and takes the next command.
        QVERIFY(m_x->type(QStringLiteral("kavmark after")));
        QVERIFY(m_x->key({ QStringLiteral("Return") }));
        mark = QStringLiteral("after");
    }
    QVERIFY2(
        !m_session->waitForMark(mark).isNull(), qPrintable(mark + QStringLiteral(" did not run")));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QVERIFY(mark == QLatin1String("editor") || !QFile::exists(marks + QStringLiteral("editor")));
}

// The list takes its height from its first row: a history row is as high as
// a program's, so that seven rows show either way.
void TestRunDialog::completionListShowsEveryRow()
{
    const QStringList prefixes = { QStringLiteral("kavy"), QStringLiteral("kavz") };
    for (const QString &prefix : prefixes) {
        for (int program = 1; program <= 8; ++program) {
            QVERIFY(QFile::link(m_session->binDirectory() + QStringLiteral("/kavmark"),
                m_session->binDirectory() + QStringLiteral("/%1%2").arg(prefix).arg(program)));
        }
    }
    QSettings(m_session->settingsFile(), QSettings::IniFormat)
        .setValue(QStringLiteral("history"), QStringList { QStringLiteral("kavy history") });
    QProcess *kavRun = m_session->startKavRun();
    const QString dialog = showDialog(kavRun);
    QVERIFY(!dialog.isEmpty());
    QList<int> heights;
    for (const QString &prefix : prefixes) {
        QVERIFY(m_x->type(prefix));
        QVERIFY(waitForWindowCount(kavRun, 2));
        QStringList windows = m_x->visibleWindows(kavRun->processId());
        windows.removeAll(dialog);
        heights.append(m_x->windowSize(windows.value(0)).height());
        QVERIFY(m_x->key({ QStringLiteral("Escape") }));
        QVERIFY(waitForWindowCount(kavRun, 1));
        QVERIFY(m_x->key({ QStringLiteral("ctrl+a"), QStringLiteral("BackSpace") }));
    }
    QVERIFY(heights.at(1) > 0);
    QCOMPARE(heights.at(0), heights.at(1));
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

QString TestRunDialog::enterAfterTyping(const QString &text, const QString &mark, bool listed)
{
    QProcess *kavRun = m_session->startKavRun();
    if (showDialog(kavRun).isEmpty())
        return QString();
    const int windows = m_x->visibleWindows(kavRun->processId()).size();
    if (!text.isEmpty() && !m_x->type(text))
        return QString();
    // What the list offers has come when it opens.
    if (listed && !waitForWindowCount(kavRun, windows + 1))
        qWarning() << "no completion list for" << text;
    if (!m_x->key({ QStringLiteral("Return") }) || m_session->waitForMark(mark).isNull()
        || waitForExitCode(kavRun) != 0)
        return QString();
    return storedHistory().value(0);
}

// Most icons of today's themes are drawn from SVG files alone.
void TestRunDialog::showsAnEntrysSvgIcon()
{
    const quint32 magenta = 0xff00ff;
    const QString data =
        m_session->environment().value(QStringLiteral("HOME")) + QStringLiteral("/.local/share");
    QVERIFY(writeFile(data + QStringLiteral("/icons/hicolor/scalable/apps/kavrun-svgicon.svg"),
        "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'>"
        "<rect width='16' height='16' fill='#ff00ff'/></svg>\n"));
    QVERIFY(writeFile(data + QStringLiteral("/applications/kavrun-svgentry.desktop"),
        "[Desktop Entry]\nType=Application\nName=Svg Entry\nIcon=kavrun-svgicon\n"
        "Exec=kavmark svg\n"));
    QProcess *kavRun = m_session->startKavRun();
    const QString dialog = showDialog(kavRun);
    QVERIFY(!dialog.isEmpty());
    QCOMPARE(m_x->pixelsOfColour(dialog, magenta), 0);

    QVERIFY(m_x->type(QStringLiteral("kavrun-svgentry")));
    // The run icon shows it at the style's large icon size.
    const int iconPixels = 24 * 24;
    QTRY_VERIFY_WITH_TIMEOUT(m_x->pixelsOfColour(dialog, magenta) >= iconPixels, 5000);
    QVERIFY(m_x->key({ QStringLiteral("Escape"), QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
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

void TestRunDialog::runsInATerminalAskedToStayOpen()
{
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    // The mnemonic reaches the dialog through the open completion list.
    QVERIFY(m_x->type(QStringLiteral("kavmark")));
    QVERIFY(waitForWindowCount(kavRun, 2));
    // The box ticks at once: the keys typed right after it reach the field.
    QVERIFY(m_x->key({ QStringLiteral("alt+t"), QStringLiteral("alt+m"), QStringLiteral("End") }));
    QVERIFY(m_x->type(QStringLiteral(" terminal")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    const QString mark = m_session->waitForMark(QStringLiteral("terminal"));
    QVERIFY2(!mark.isNull(), "the command did not run in the terminal");
    QCOMPARE(waitForExitCode(kavRun), 0);
    QVERIFY2(
        terminalOf(mark) > 0, qPrintable(QStringLiteral("no xterm among the ancestors:\n") + mark));
    QCOMPARE(m_session->terminalArguments(),
        QStringList({ QStringLiteral("-hold"), QStringLiteral("-e"), QStringLiteral("/bin/sh"),
            QStringLiteral("-c"), QStringLiteral("kavmark terminal") }));
    QVERIFY(storedTerminalApps().contains(QStringLiteral("kavmark")));
}

// The terminal box follows the text however it is typed: "ls" is a terminal
// application from the start, and its box ticks itself a moment after the
// typing stops, or at Enter when that comes sooner. "wait" lets that moment pass.
void TestRunDialog::terminalFollowsTheText_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<bool>("inTerminal");
    const QString wait = QStringLiteral("wait");
    const QString back = QStringLiteral("BackSpace");
    QTest::newRow("Enter at once")
        << QStringList { QStringLiteral("l"), QStringLiteral("s") } << QStringLiteral("ls") << true;
    QTest::newRow("typed, erased and typed again") << QStringList { QStringLiteral("l"),
        QStringLiteral("s"), wait, back, back, wait, QStringLiteral("l"), QStringLiteral("s") }
                                                   << QStringLiteral("ls") << true;
    QTest::newRow("another program in its place")
        << QStringList { QStringLiteral("l"), QStringLiteral("s"), wait, back, back,
               QStringLiteral("t"), QStringLiteral("o"), QStringLiteral("e"), wait }
        << QStringLiteral("toe") << false;
    QTest::newRow("application asking for one, the list's first row")
        << QStringList { QStringLiteral("c"), QStringLiteral("p"), QStringLiteral("u"), wait }
        << QStringLiteral("procmon") << true;
}

void TestRunDialog::terminalFollowsTheText()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, mark);
    QFETCH(bool, inTerminal);
    for (const char *name : { "ls", "toe" }) {
        QVERIFY(QFile::link(m_session->binDirectory() + QStringLiteral("/kavmark"),
            m_session->binDirectory() + QLatin1Char('/') + QLatin1String(name)));
    }
    QVERIFY(writeFile(m_session->environment().value(QStringLiteral("HOME"))
            + QStringLiteral("/.local/share/applications/kavrun-procmon.desktop"),
        "[Desktop Entry]\nType=Application\nName=Process Monitor\nKeywords=cpu;\n"
        "Exec=kavmark procmon\nTerminal=true\n"));
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(pressKeys(keys));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    const QString ran = m_session->waitForMark(mark);
    QVERIFY2(!ran.isNull(), qPrintable(mark + QStringLiteral(" did not run")));
    QVERIFY2((terminalOf(ran) > 0) == inTerminal, qPrintable(ran));
    // A command's terminal stays open; an application that asks for one keeps its own.
    if (inTerminal) {
        QCOMPARE(m_session->terminalArguments().value(0),
            mark == QLatin1String("procmon") ? QStringLiteral("-e") : QStringLiteral("-hold"));
    }
    QCOMPARE(waitForExitCode(kavRun), 0);
    // What the box did by itself teaches the list of terminal applications nothing.
    QCOMPARE(storedTerminalApps(), QStringList { QStringLiteral("ls") });
}

// A text given on the command line meets the settings, however late the
// window manager shows the window.
void TestRunDialog::presetTextMeetsTheSettingsAfterASlowStart()
{
    const pid_t windowManager = m_server.windowManagerPid();
    if (windowManager <= 0)
        QSKIP("needs a window manager to slow down");
    QVERIFY(QFile::link(m_session->binDirectory() + QStringLiteral("/kavmark"),
        m_session->binDirectory() + QStringLiteral("/ls")));
    QVERIFY(kill(windowManager, SIGSTOP) == 0);
    QProcess *kavRun = m_session->startKavRun({ QStringLiteral("ls") });
    QTest::qWait(1500);
    QVERIFY(kill(windowManager, SIGCONT) == 0);
    QVERIFY(!showDialog(kavRun).isEmpty());
    QTest::qWait(400);
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    const QString ran = m_session->waitForMark(QStringLiteral("ls"));
    QVERIFY2(!ran.isNull(), "ls did not run");
    QVERIFY2(terminalOf(ran) > 0, qPrintable(QStringLiteral("ls ran without a terminal:\n") + ran));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(storedTerminalApps(), QStringList { QStringLiteral("ls") });
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
    const int centre = m_x->windowGeometry(window).center().x();
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);

    kavRun = m_session->startKavRun(preset);
    const QString presetWindow = showDialog(kavRun);
    QVERIFY(!presetWindow.isEmpty());
    QTRY_COMPARE(m_x->windowSize(presetWindow), opened);
    // Placed by the window manager as any start is, not moved into a corner.
    QVERIFY2(qAbs(m_x->windowGeometry(presetWindow).center().x() - centre) <= 1,
        qPrintable(QStringLiteral("placed at %1, not centred on %2")
                       .arg(m_x->windowGeometry(presetWindow).x())
                       .arg(centre)));
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
    // Text typed into the command field and cancelled goes with the dialog too.
    const QString cancelled = QStringLiteral("kavmark zz-kavrun-cancelled-4712");
    QVERIFY(m_x->key({ QStringLiteral("alt+m"), QStringLiteral("ctrl+a") }));
    QVERIFY(m_x->type(cancelled));
    QTest::qWait(500);
    QVERIFY(!freedMemoryIsWiped || memoryHolds(resident->processId(), cancelled));

    // A dialog in the foreground is raised, as without a resident.
    QCOMPARE(waitForExitCode(m_session->startKavRun({ QStringLiteral("ls") })), 255);

    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QTRY_VERIFY(m_x->visibleWindows(resident->processId()).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(
        !freedMemoryIsWiped || !memoryHolds(resident->processId(), password), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(
        !freedMemoryIsWiped || !memoryHolds(resident->processId(), cancelled), 5000);
    QCOMPARE(storedHistory(), QStringList { QStringLiteral("kavmark external") });

    // The next dialog keeps nothing of the last: no text, no advanced
    // options, no other user.
    QCOMPARE(waitForExitCode(m_session->startKavRun()), 0);
    const QString clean = showDialog(resident);
    QVERIFY(!clean.isEmpty());
    QVERIFY(m_x->windowSize(clean).height() < presetSize.height());
    // Its image reached the screen, though the map came after the drawing:
    // the window is not the black of a window drawn into before it was mapped.
    const QSize cleanSize = m_x->windowSize(clean);
    QTRY_VERIFY(m_x->pixelsOfColour(clean, 0x000000) * 2 < cleanSize.width() * cleanSize.height());
    QVERIFY(m_x->type(QStringLiteral("kavmark clean")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    const QString mark = m_session->waitForMark(QStringLiteral("clean"));
    QCOMPARE(mark.section(QLatin1Char('\n'), 0, 0), QStringLiteral("clean"));
    QTRY_VERIFY(m_x->visibleWindows(resident->processId()).isEmpty());
    // The window goes before the settings are written.
    QTRY_COMPARE(storedHistory(),
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
    QCOMPARE(commandFieldText(), QStringLiteral("Zebra Tool"));
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

// The children of the process @p pid that have ended and wait to be collected.
static int zombieChildren(qint64 pid)
{
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    int zombies = 0;
    for (const QByteArray &child : children.readAll().simplified().split(' ')) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(child)));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray line = stat.readAll();
            zombies += line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
        }
    }
    return zombies;
}

void TestRunDialog::keysTypedAtOnceReachTheField_data()
{
    QTest::addColumn<bool>("resident");
    QTest::addColumn<bool>("holderStopped");
    QTest::newRow("first start") << false << false;
    QTest::newRow("resident") << true << false;
    QTest::newRow("holder stopped") << false << true;
}

// The user types on right after the key that starts kav-run: every key
// reaches the command field, and none the window that had the focus. They
// come once the dialog has the focus, long before kav-run would give the
// keyboard back on its own after 3 seconds; when the process that holds the
// keyboard is stopped, they come then, and the keyboard is free again.
void TestRunDialog::keysTypedAtOnceReachTheField()
{
    QFETCH(bool, resident);
    QFETCH(bool, holderStopped);
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
    if (holderStopped) {
        QVERIFY(QTest::qWaitFor([this] { return m_x->keyboardIsGrabbed(); }, 2000));
        const QList<qint64> holder = m_session->processes(QStringLiteral("kav-run-hold"));
        QCOMPARE(holder.size(), 1);
        QCOMPARE(::kill(pid_t(holder.first()), SIGSTOP), 0);
    }
    // A key pressed in the very milliseconds that kav-run needs to take the
    // keyboard is gone before it can; the dialog comes far later.
    QTest::qWait(30);
    // What started the hold was collected before the dialog program took over.
    QCOMPARE(zombieChildren(kavRun->processId()), 0);
    QVERIFY(m_x->type(QStringLiteral("kavmark burst")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QCOMPARE(m_session->waitForMark(QStringLiteral("burst"), holderStopped ? 6000 : 2500)
                 .section(QLatin1Char('\n'), 0, 0),
        QStringLiteral("burst"));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(QFileInfo(typedThere).size(), qint64(0));
}

void TestRunDialog::keysAfterAShortcutReachItsField_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("field");
    const QStringList alice { QStringLiteral("a"), QStringLiteral("l"), QStringLiteral("i"),
        QStringLiteral("c"), QStringLiteral("e") };
    QTest::newRow("Alt+U") << QStringList { QStringLiteral("alt+u") } + alice
                           << QStringLiteral("alice");
    QTest::newRow("Alt+Y") << QStringList { QStringLiteral("alt+y") } + alice
                           << QStringLiteral("alice");
    QTest::newRow("Alt+X, Alt+P, Alt+N") << QStringList {
        QStringLiteral("alt+x"), QStringLiteral("alt+p"), QStringLiteral("alt+n")
    } + alice << QStringLiteral("alice");
    // The user-name list that "r" opens closes with the field's focus.
    QTest::newRow("Alt+M from the user-name list") << QStringList { QStringLiteral("alt+u"),
        QStringLiteral("r"), QStringLiteral("alt+m"), QStringLiteral("l"), QStringLiteral("s") }
                                                   << QStringLiteral("ls");
}

// With the advanced options closed, keys typed 30 ms apart: the shortcut
// opens them and acts before the next key, which reaches the field it focused.
void TestRunDialog::keysAfterAShortcutReachItsField()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, field);
    QProcess *kavRun = m_session->startKavRun();
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(m_x->key(keys));
    QCOMPARE(commandFieldText(), field);
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

void TestRunDialog::startsAgainWhileACommandRunsAsRoot()
{
    if (geteuid() != 0)
        QSKIP("su asks root for no password; anyone else would need one");
    const QString finished = m_session->path() + QStringLiteral("/marks/asroot");
    const QString running = m_session->path() + QStringLiteral("/marks/asroot-running");
    // The dialog program finds the companion beside it, in the build tree as installed.
    QProcess *first = m_session->startKavRun({ QStringLiteral("--su"), QStringLiteral("--user"),
        QStringLiteral("root"), QStringLiteral("echo"), QStringLiteral("$$"),
        QStringLiteral("$XAUTHORITY"), QStringLiteral(">"), running + QLatin1Char(';'),
        QStringLiteral("sleep"), QStringLiteral("30;"), QStringLiteral("touch"), finished });
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

    // Ended, the command leaves the companion to remove the display authority it installed.
    QStringList started; // the command's pid and its authority file, once both are written
    QTRY_COMPARE((started = m_session->waitForMark(QStringLiteral("asroot-running"))
                                .simplified()
                                .split(QLatin1Char(' ')))
                     .size(),
        2);
    QVERIFY(started.at(1).startsWith(QLatin1String("/tmp/xauth.")));
    QCOMPARE(::kill(-pid_t(started.at(0).toLongLong()), SIGTERM), 0);
    QTRY_VERIFY(!QFile::exists(QFileInfo(started.at(1)).path()));
}

void TestRunDialog::refusedAsRootAndStays_data()
{
    QTest::addColumn<QStringList>("command");
    // kavmark is in a folder of the caller's own PATH, where root does not look.
    QTest::newRow("a program of the caller's own")
        << QStringList { QStringLiteral("kavmark"), QStringLiteral("mine") };
    QTest::newRow("a 200 kB command") << QStringList { QStringLiteral("kavmark") }
            + QVector<QString>(200, QString(999, QLatin1Char('x'))).toList();
}

// What root would not run as shown is refused at once: the dialog stays with
// the text, nothing runs and nothing is saved.
void TestRunDialog::refusedAsRootAndStays()
{
    QFETCH(QStringList, command);
    if (geteuid() != 0)
        QSKIP("su asks root for no password; anyone else would need one");
    QProcess *kavRun = m_session->startKavRun(
        QStringList { QStringLiteral("--su"), QStringLiteral("-u"), QStringLiteral("root") }
        + command);
    const QString dialog = showDialog(kavRun);
    QVERIFY(!dialog.isEmpty());
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    const QString message = m_x->waitForFocusedWindow(QStringLiteral("Warning - Run command"));
    QVERIFY2(!message.isEmpty(), "no message about the refused command");
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QTRY_VERIFY(!m_x->visibleWindows(kavRun->processId()).contains(message));

    QCOMPARE(kavRun->state(), QProcess::Running);
    QVERIFY(m_x->focus(dialog));
    QCOMPARE(commandFieldText(), command.join(QLatin1Char(' ')));
    QVERIFY(m_session->waitForMark(command.value(1), 500).isNull());
    QVERIFY(!QFile::exists(m_session->settingsFile()));
    QVERIFY(m_x->key({ QStringLiteral("Escape") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
}

void TestRunDialog::presetUserTakesThePasswordTypedAtOnce_data()
{
    QTest::addColumn<bool>("resident");
    QTest::newRow("first start") << false;
    QTest::newRow("resident") << true;
}

// Started for another user by someone who is not root, the dialog takes
// the keys typed at once as that user's password, and one Enter runs the
// command as them; the password is in none of the caller's files.
void TestRunDialog::presetUserTakesThePasswordTypedAtOnce()
{
    QFETCH(bool, resident);
    if (geteuid() != 0)
        QSKIP("creating the caller and the user to run as needs root");
    ThrowAwayAccount caller(QStringLiteral("zz-kavrun-e2e-caller"));
    ThrowAwayAccount target(QStringLiteral("zz-kavrun-e2e-target"));
    QVERIFY(caller.create() && target.create());
    QVERIFY(m_session->handTo(caller.name()));
    const QString mark = m_session->path() + QStringLiteral("/marks/as-target");
    const QStringList command { QStringLiteral("touch"), mark };
    QProcess *kavRun = nullptr;
    if (resident) {
        kavRun = m_session->startKavRun({ QStringLiteral("--resident") });
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_session->instanceSocket()), 10000);
    }
    QProcess *start =
        m_session->startKavRun(QStringList { QStringLiteral("-u"), target.name() } + command);
    if (!resident)
        kavRun = start;
    QVERIFY(!showDialog(kavRun).isEmpty());
    QVERIFY(m_x->type(QString::fromLatin1(target.password())));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));

    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(mark).owner(), target.name(), 10000);
    QCOMPARE(waitForExitCode(start), 0);
    QTRY_VERIFY(m_x->visibleWindows(kavRun->processId()).isEmpty());
    QCOMPARE(storedHistory(), QStringList { command.join(QLatin1Char(' ')) });
    QVERIFY(
        QFile::exists(m_session->path() + QStringLiteral("/home/.local/share/kav/kav-run/usage")));
    QCOMPARE(filesHolding(m_session->path(), target.password()), QStringList());
}

QTEST_GUILESS_MAIN(TestRunDialog)
#include "tst_rundialog.moc"
