// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/desktopentryfile.h"
#include "dialog/commandclassifier.h"
#include "dialog/roderuz.h"
#include "messageboxrecorder.h"
#include "testdialog.h"
#include "testprograms.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>

#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// The start-up of a command as the current user, and how the field is filled
// from the file chooser and the application menu.
class RoderuzRunTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void calculatorEvaluatesInPlace();
    void lettersAndBracketsAreNoExpression_data();
    void lettersAndBracketsAreNoExpression();
    void emptyFieldDoesNothing();
    void logoutClosesWithoutLaunching();

    void launchesTheCommandDetached();
    void longHistorySurvivesTheRun();
    void lowerPriorityThroughNice();
    void terminalReceivesTheCommandIntact();
    void xdgOpenOpensDocumentsFoldersAndAddresses();
    void desktopEntryFieldCodesAreExpanded_data();
    void desktopEntryFieldCodesAreExpanded();
    void runnerWrapsBeforeTheNicePrefix();

    void unknownCommandIsRefused_data();
    void unknownCommandIsRefused();
    void unknownCommandStartsInATerminal();
    void failedStartIsReported_data();
    void failedStartIsReported();
    void failedStartShowsTheLineThatFailed();
    void unbalancedQuotesAreRefused();
    void longArgumentsStart();
    void oddSearchPathEntriesAreSkipped();
    void undecodableFileNameNeverStartsAnotherProgram();

    void fileChooserFillsTheField();
    void menuRunsTheChosenApplication();
    void rejectedMenuChangesNothing();

private:
    std::unique_ptr<Roderuz> createDialog();
    /** Clicks Run with @p text in the field. */
    static void run(Roderuz *dialog, const QString &text);
    /** A script in the work folder that records its arguments and nice value in @p marker. */
    QString writeRecorder(const QString &name, const QString &marker);
    QString workPath(const QString &name) const { return work->filePath(name); }
    static QStringList recordedArguments(const QByteArray &record);
    static int recordedNice(const QByteArray &record);
    /** Checks that a refused @p text left the dialog open and untouched. */
    static void verifyStayedOpen(Roderuz *dialog, const QString &text);
    static QString boldCommand(const QString &command);

    QTemporaryDir configHome;
    std::unique_ptr<QTemporaryDir> work;
    int ownNice = 0;
};

void RoderuzRunTest::initTestCase()
{
    QVERIFY(configHome.isValid());
    // QSettings reads its paths once, so this must come before the first dialog.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QCoreApplication::setOrganizationName(QStringLiteral("kav"));
    QCoreApplication::setApplicationName(QStringLiteral("kav-run"));
    ownNice = getpriority(PRIO_PROCESS, 0);
}

void RoderuzRunTest::init()
{
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(work->isValid());
    QVERIFY(QDir().mkpath(workPath(QStringLiteral("bin"))));
    QVERIFY(QDir().mkpath(workPath(QStringLiteral("applications"))));
    QFile::remove(configHome.filePath(QStringLiteral("kav/kav-run.conf")));
    Roderuz::setRunnerPluginDirectory(workPath(QStringLiteral("no-plugins")));
}

void RoderuzRunTest::cleanup()
{
    work.reset();
}

std::unique_ptr<Roderuz> RoderuzRunTest::createDialog()
{
    auto dialog = createSettledDialog();
    // Desktop entries come from the test's own folder only.
    if (dialog)
        dialog->classifier->setApplicationsDirectory(workPath(QStringLiteral("applications")));
    return dialog;
}

void RoderuzRunTest::run(Roderuz *dialog, const QString &text)
{
    dialog->cbCommand->lineEdit()->setText(text);
    QVERIFY(dialog->pbRun->isEnabled());
    dialog->pbRun->click();
}

QString RoderuzRunTest::writeRecorder(const QString &name, const QString &marker)
{
    const QString path = workPath(name);
    const QByteArray target = QFile::encodeName(workPath(marker));
    const bool written = writeScript(path,
        "{ for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n"
        "  printf 'nice=%s\\n' \"$(/usr/bin/cut -d' ' -f19 /proc/$$/stat)\"; } > '"
            + target + ".tmp' && /bin/mv '" + target + ".tmp' '" + target + "'\n");
    return written ? path : QString();
}

QStringList RoderuzRunTest::recordedArguments(const QByteArray &record)
{
    QStringList lines = QString::fromLocal8Bit(record).split(QLatin1Char('\n'));
    lines.removeLast();
    lines.removeLast();
    return lines;
}

int RoderuzRunTest::recordedNice(const QByteArray &record)
{
    const int start = record.lastIndexOf("nice=") + 5;
    return record.mid(start).trimmed().toInt();
}

QString RoderuzRunTest::boldCommand(const QString &command)
{
    return QStringLiteral("<center><b>%1</b></center>\n")
        .arg(Qt::convertFromPlainText(command, Qt::WhiteSpacePre));
}

void RoderuzRunTest::verifyStayedOpen(Roderuz *dialog, const QString &text)
{
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(dialog->cbCommand->currentText(), text);
    QVERIFY(dialog->cbCommand->historyItems().isEmpty());
    QVERIFY(!QFile::exists(QSettings().fileName()));
}

void RoderuzRunTest::calculatorEvaluatesInPlace()
{
    const auto dialog = createDialog();
    QVERIFY(dialog);
    dialog->cbPriority->setChecked(true);
    dialog->slPriority->setValue(ownNice + 2);
    MessageBoxRecorder recorder;
    run(dialog.get(), QStringLiteral("2+3*4"));
    // The value arrives from the evaluator while the dialog goes on.
    QTRY_COMPARE(dialog->cbCommand->currentText(), QStringLiteral("14"));
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(dialog->cbCommand->historyItems().isEmpty());
    QVERIFY(!QFile::exists(QSettings().fileName()));
    QVERIFY(dialog->cbPriority->isChecked());
    QCOMPARE(dialog->slPriority->value(), ownNice + 2);

    // A syntax error leaves the expression for the user to mend.
    run(dialog.get(), QStringLiteral("(1+"));
    QTRY_COMPARE(dialog->lbHint->hint(), QStringLiteral("Cannot calculate this expression"));
    QCOMPARE(dialog->cbCommand->currentText(), QStringLiteral("(1+"));

    // Without bc the hint says what is missing.
    const ScopedEnvironment path("PATH", QFile::encodeName(workPath(QStringLiteral("bin"))));
    run(dialog.get(), QStringLiteral("7/2"));
    QTRY_COMPARE(dialog->lbHint->hint(), QStringLiteral("Install bc to calculate this"));
    QCOMPARE(dialog->cbCommand->currentText(), QStringLiteral("7/2"));
    QVERIFY(recorder.boxes.isEmpty());
}

void RoderuzRunTest::lettersAndBracketsAreNoExpression_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("letter") << QStringLiteral("1a");
    QTest::newRow("bracket") << QStringLiteral("3[2]");
}

void RoderuzRunTest::lettersAndBracketsAreNoExpression()
{
    QFETCH(QString, text);
    const auto dialog = createDialog();
    QVERIFY(dialog);
    MessageBoxRecorder recorder;
    run(dialog.get(), text);
    // Not evaluated: launched, and refused as an unknown command.
    QCOMPARE(recorder.boxes.size(), 1);
    QCOMPARE(recorder.boxes.first().icon, QMessageBox::Critical);
    verifyStayedOpen(dialog.get(), text);
}

void RoderuzRunTest::emptyFieldDoesNothing()
{
    const auto dialog = createDialog();
    QVERIFY(dialog);
    MessageBoxRecorder recorder;
    dialog->cbCommand->lineEdit()->setText(QStringLiteral("   "));
    dialog->accept();
    QTest::qWait(50);
    QVERIFY(recorder.boxes.isEmpty());
    verifyStayedOpen(dialog.get(), QStringLiteral("   "));
}

void RoderuzRunTest::logoutClosesWithoutLaunching()
{
    const auto dialog = createDialog();
    QVERIFY(dialog);
    run(dialog.get(), QStringLiteral("logout"));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(QSettings().value(QStringLiteral("history")).toStringList(),
        QStringList { QStringLiteral("logout") });
    QVERIFY(dialog->cbCommand->currentText().isEmpty());
}

void RoderuzRunTest::launchesTheCommandDetached()
{
    const QString recorder = writeRecorder(QStringLiteral("launched"), QStringLiteral("mark"));
    const ScopedEnvironment home("HOME", QFile::encodeName(work->path()));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    // No shell is involved, so the dialog itself reads "~" as one would.
    const QString typed = QStringLiteral("~/launched   first  \"two words\" ~ \"~/x\"");
    run(dialog.get(), typed);
    const QByteArray record = waitForFile(workPath(QStringLiteral("mark")));
    QVERIFY(!record.isNull());
    QCOMPARE(recordedArguments(record),
        QStringList({ QStringLiteral("first"), QStringLiteral("two words"), work->path(),
            QStringLiteral("~/x") }));
    QCOMPARE(recordedNice(record), ownNice);

    // The history keeps the text as typed, simplified; the dialog starts afresh.
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(QSettings().value(QStringLiteral("history")).toStringList(),
        QStringList { typed.simplified() });
    QVERIFY(dialog->cbCommand->currentText().isEmpty());
}

#ifdef __SANITIZE_ADDRESS__
// QSettings grows its output by each entry's size; the sanitizer's realloc,
// which always copies, makes that take minutes for 100 000 entries.
static const int longHistory = 5000;
#else
static const int longHistory = 100000;
#endif

// 100 000 entries that the settings file must escape load, take the new
// command on top and are written back exactly as the settings would write them.
void RoderuzRunTest::longHistorySurvivesTheRun()
{
    QStringList history = { QString(), QStringLiteral("  spaced  "), QStringLiteral("@at") };
    for (int entry = history.size(); entry < longHistory; ++entry)
        history.append(QStringLiteral("echo \"%1\", 'a\\b' \u00e4\u4e2d; x=[%1]").arg(entry));
    const QString mark = QStringLiteral("mark");
    const QString recorder = writeRecorder(QStringLiteral("launched"), mark);
    // Written through another file, so that the dialog parses it from the disk.
    const QString stored = workPath(QStringLiteral("stored.conf"));
    QSettings(stored, QSettings::IniFormat).setValue(QStringLiteral("history"), history);
    const QString settingsFile = QSettings().fileName();
    QVERIFY(QDir().mkpath(QFileInfo(settingsFile).path()));
    QVERIFY(QFile::copy(stored, settingsFile));

    const auto dialog = createDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->cbCommand->historyItems(), history);
    run(dialog.get(), recorder);
    QVERIFY(!waitForFile(workPath(mark)).isNull());

    QSettings expected(workPath(QStringLiteral("expected.conf")), QSettings::IniFormat);
    expected.setValue(QStringLiteral("su"), true);
    expected.setValue(QStringLiteral("history"), QStringList(recorder) + history);
    expected.setValue(QStringLiteral("terminalApps"), QStringList(QStringLiteral("ls")));
    expected.setValue(QStringLiteral("completionMode"), 0);
    expected.sync();
    QFile saved(settingsFile);
    QFile written(expected.fileName());
    QVERIFY(saved.open(QIODevice::ReadOnly) && written.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll() == written.readAll());
}

void RoderuzRunTest::lowerPriorityThroughNice()
{
    if (ownNice > 14)
        QSKIP("the test runs at too low a priority to lower it further");
    const QString recorder = writeRecorder(QStringLiteral("niced"), QStringLiteral("mark"));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    dialog->cbPriority->setChecked(true);
    dialog->slPriority->setValue(ownNice + 5);
    QVERIFY(!dialog->currentPlan().runsAsAnotherUser());
    run(dialog.get(), recorder);
    const QByteArray record = waitForFile(workPath(QStringLiteral("mark")));
    QVERIFY(!record.isNull());
    // The command runs at the value chosen, whatever the dialog's own value.
    QCOMPARE(recordedNice(record), ownNice + 5);
}

void RoderuzRunTest::terminalReceivesTheCommandIntact()
{
    const QString arguments = workPath(QStringLiteral("terminal-arguments"));
    QVERIFY(writeScript(workPath(QStringLiteral("bin/xterm")),
        "printf '%s\\n' \"$@\" > '" + QFile::encodeName(arguments) + ".tmp'\n/bin/mv '"
            + QFile::encodeName(arguments) + ".tmp' '" + QFile::encodeName(arguments)
            + "'\nshift 2\nexec \"$@\"\n"));
    // The fake terminal is the only one there is.
    const ScopedEnvironment path("PATH", QFile::encodeName(workPath(QStringLiteral("bin"))));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->cbRunInTerminal->isEnabled());
    dialog->cbRunInTerminal->click();

    const QByteArray mark = QFile::encodeName(workPath(QStringLiteral("mark")));
    const QString command =
        QStringLiteral("printf '%s|' \"two words\" 'back\\slash' '$HOME' \"a\\\"b\" > ")
        + QFile::decodeName(mark) + QStringLiteral(".tmp && /bin/mv ") + QFile::decodeName(mark)
        + QStringLiteral(".tmp ") + QFile::decodeName(mark);
    run(dialog.get(), command);
    QCOMPARE(waitForFile(QFile::decodeName(mark)), QByteArray("two words|back\\slash|$HOME|a\"b|"));
    QCOMPARE(QString::fromLocal8Bit(waitForFile(arguments)),
        QStringLiteral("-hold\n-e\n/bin/sh\n-c\n") + command + QLatin1Char('\n'));
    // Only a program found on the search path joins the terminal applications.
    QCOMPARE(dialog->terminalApps, QStringList { QStringLiteral("ls") });
}

void RoderuzRunTest::xdgOpenOpensDocumentsFoldersAndAddresses()
{
    const QByteArray mark = QFile::encodeName(workPath(QStringLiteral("mark")));
    QVERIFY(writeScript(workPath(QStringLiteral("opener")),
        "printf '%s' \"$1\" > '" + mark + ".tmp' && /bin/mv '" + mark + ".tmp' '" + mark + "'\n"));
    QVERIFY(writeDesktopEntry(workPath(QStringLiteral("data/applications/kavtest-opener.desktop")),
        "Name=Kav test opener\nNoDisplay=true\n"
        "MimeType=text/plain;inode/directory;x-scheme-handler/http;\nExec="
            + QFile::encodeName(workPath(QStringLiteral("opener"))) + " %u\n"));
    const QString mimeApps = configHome.filePath(QStringLiteral("mimeapps.list"));
    QFile associations(mimeApps);
    QVERIFY(associations.open(QIODevice::WriteOnly));
    associations.write("[Default Applications]\ntext/plain=kavtest-opener.desktop\n"
                       "inode/directory=kavtest-opener.desktop\n"
                       "x-scheme-handler/http=kavtest-opener.desktop\n");
    associations.close();
    QFile document(workPath(QStringLiteral("notes.txt")));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.write("plain words\n");
    document.close();

    // The generic path of xdg-open, which asks the associations above.
    const ScopedEnvironment dataHome(
        "XDG_DATA_HOME", QFile::encodeName(workPath(QStringLiteral("data"))));
    const ScopedEnvironment desktop("XDG_CURRENT_DESKTOP", QByteArray());
    const ScopedEnvironment desktopName("DE", QByteArray());
    const ScopedEnvironment browser("BROWSER", QByteArray());
    const ScopedEnvironment display("DISPLAY", QByteArrayLiteral(":0"));

    const ScopedEnvironment home("HOME", QFile::encodeName(work->path()));

    const QStringList targets = { workPath(QStringLiteral("notes.txt")),
        workPath(QStringLiteral("data")), QStringLiteral("http://kav.invalid/page"),
        QStringLiteral("~/notes.txt") };
    for (const QString &target : targets) {
        const auto dialog = createDialog();
        QVERIFY(dialog);
        run(dialog.get(), target);
        QCOMPARE(QString::fromLocal8Bit(waitForFile(QFile::decodeName(mark))),
            QString(target).replace(QLatin1Char('~'), work->path()));
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(QFile::remove(QFile::decodeName(mark)));
    }
    QFile::remove(mimeApps);
}

void RoderuzRunTest::desktopEntryFieldCodesAreExpanded_data()
{
    QTest::addColumn<QByteArray>("exec");
    QTest::addColumn<QString>("typedArguments");
    QTest::addColumn<bool>("inTerminal");
    QTest::addColumn<QStringList>("received");
    QTest::newRow("%U without files") << QByteArray(" --first %U") << QString() << false
                                      << QStringList { QStringLiteral("--first") };
    QTest::newRow("%U with files")
        << QByteArray(" --first %U") << QStringLiteral(" one two") << false
        << QStringList { QStringLiteral("--first"), QStringLiteral("one"), QStringLiteral("two") };
    QTest::newRow("%f without a file") << QByteArray(" %f --last") << QString() << false
                                       << QStringList { QStringLiteral("--last") };
    const QStringList typedWords = { QStringLiteral("a file"), QStringLiteral("$HOME;'"),
        QStringLiteral("--last") };
    for (const bool inTerminal : { false, true }) {
        const char *where = inTerminal ? "in a terminal" : "detached";
        QTest::addRow("%%f with a file, %s", where)
            << QByteArray(" %f --last") << QStringLiteral(" \"a file $HOME;'\"") << inTerminal
            << QStringList { QStringLiteral("a file $HOME;'"), QStringLiteral("--last") };
        QTest::addRow("no field code, %s", where)
            << QByteArray() << QStringLiteral(" \"a file\" $HOME;' --last") << inTerminal
            << typedWords;
    }
}

void RoderuzRunTest::desktopEntryFieldCodesAreExpanded()
{
    QFETCH(QByteArray, exec);
    QFETCH(QString, typedArguments);
    QFETCH(bool, inTerminal);
    QFETCH(QStringList, received);
    const QString recorder = writeRecorder(QStringLiteral("application"), QStringLiteral("mark"));
    QVERIFY(writeDesktopEntry(workPath(QStringLiteral("applications/kavtestapp.desktop")),
        "Name=Kav test\nExec=" + QFile::encodeName(recorder) + exec + "\n"));
    // A terminal that runs its command line at once, after "-hold -e".
    QVERIFY(writeScript(workPath(QStringLiteral("bin/xterm")), "shift 2\nexec \"$@\"\n"));
    const ScopedEnvironment path("PATH",
        QFile::encodeName(workPath(QStringLiteral("bin"))) + (inTerminal ? "" : ":/usr/bin:/bin"));

    const auto dialog = createDialog();
    QVERIFY(dialog);
    if (inTerminal)
        dialog->cbRunInTerminal->click();
    run(dialog.get(), QStringLiteral("kavtestapp") + typedArguments);
    const QByteArray record = waitForFile(workPath(QStringLiteral("mark")));
    QVERIFY(!record.isNull());
    QCOMPARE(recordedArguments(record), received);
    // The history keeps the application's name, standing for the entry typed by its id.
    const QString kept = (QStringLiteral("Kav test ") + typedArguments.simplified()).trimmed();
    QCOMPARE(QSettings().value(QStringLiteral("history")).toStringList(), QStringList { kept });
    QCOMPARE(QSettings().value(QStringLiteral("historyApplications")).toStringList(),
        QStringList { QStringLiteral("kavtestapp\t") + kept });
}

void RoderuzRunTest::runnerWrapsBeforeTheNicePrefix()
{
    const QString plugins = workPath(QStringLiteral("plugins"));
    QVERIFY(QDir().mkpath(plugins));
    QVERIFY(QFile::copy(QStringLiteral(TEST_PLUGIN_DIR "/prefixrunner.so"),
        plugins + QStringLiteral("/prefixrunner.so")));
    Roderuz::setRunnerPluginDirectory(plugins);
    // The runner prefixes every command with the program "prefixrunner".
    const QString wrapperRecord = workPath(QStringLiteral("wrapper-mark"));
    QVERIFY(writeScript(workPath(QStringLiteral("bin/prefixrunner")),
        "{ for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n"
        "  printf 'nice=%s\\n' \"$(/usr/bin/cut -d' ' -f19 /proc/$$/stat)\"; } > '"
            + QFile::encodeName(wrapperRecord) + "'\nexec \"$@\"\n"));
    const ScopedEnvironment path(
        "PATH", QFile::encodeName(workPath(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
    const QString recorder = writeRecorder(QStringLiteral("wrapped"), QStringLiteral("mark"));

    const auto dialog = createDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->runner);
    QCOMPARE(dialog->orvanWidget->property("optionNames").toStringList(),
        QStringList({ QStringLiteral("cbRunInTerminal"), QStringLiteral("cbRunAsOther"),
            QStringLiteral("cbPriority"), QStringLiteral("cbRealtime") }));
    QCOMPARE(dialog->cbRealtime->nextInFocusChain(),
        dialog->orvanWidget->findChild<QWidget *>(QStringLiteral("first")));
    dialog->cbPriority->setChecked(true);
    dialog->slPriority->setValue(ownNice + 3);

    run(dialog.get(), recorder + QStringLiteral(" hello"));
    const QByteArray record = waitForFile(workPath(QStringLiteral("mark")));
    QVERIFY(!record.isNull());
    QCOMPARE(recordedArguments(record), QStringList { QStringLiteral("hello") });
    // The wrapper runs under nice and receives the command without the prefix.
    const QByteArray wrapper = waitForFile(wrapperRecord);
    QCOMPARE(recordedArguments(wrapper), QStringList({ recorder, QStringLiteral("hello") }));
    QCOMPARE(recordedNice(wrapper), ownNice + 3);
}

void RoderuzRunTest::unknownCommandIsRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason"); // as the hint says it
    QTest::newRow("unknown program") << QStringLiteral("kavtest-no-such-program --help")
                                     << QStringLiteral("No program or file named %2.");
    QTest::newRow("document with an argument") << QStringLiteral(
        "%1 more") << QStringLiteral("%2 is not a program, so it cannot take arguments.");
}

void RoderuzRunTest::unknownCommandIsRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    QFile document(workPath(QStringLiteral("document.txt")));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.close();
    text.replace(QStringLiteral("%1"), document.fileName());
    reason.replace(QStringLiteral("%2"), text.section(QLatin1Char(' '), 0, 0));

    const auto dialog = createDialog();
    QVERIFY(dialog);
    dialog->lePassword->setText(QStringLiteral("secret"));
    MessageBoxRecorder recorder;
    run(dialog.get(), text);
    QCOMPARE(recorder.boxes,
        singleOkBox(QMessageBox::Critical, QStringLiteral("Error - Run command"),
            boldCommand(text) + reason));
    verifyStayedOpen(dialog.get(), text);
    QCOMPARE(dialog->lePassword->text(), QStringLiteral("secret"));
}

void RoderuzRunTest::unknownCommandStartsInATerminal()
{
    const QString arguments = workPath(QStringLiteral("terminal-arguments"));
    QVERIFY(writeScript(workPath(QStringLiteral("bin/xterm")),
        "printf '%s\\n' \"$@\" > '" + QFile::encodeName(arguments) + ".tmp'\n/bin/mv '"
            + QFile::encodeName(arguments) + ".tmp' '" + QFile::encodeName(arguments) + "'\n"));
    const ScopedEnvironment path("PATH", QFile::encodeName(workPath(QStringLiteral("bin"))));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    dialog->cbRunInTerminal->click();
    run(dialog.get(), QStringLiteral("kavtest-no-such-program"));
    QCOMPARE(
        waitForFile(arguments), QByteArray("-hold\n-e\n/bin/sh\n-c\nkavtest-no-such-program\n"));
}

void RoderuzRunTest::failedStartIsReported_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("argumentLength");
    QTest::newRow("missing interpreter") << QByteArray("#!/kavtest/no/interpreter\n") << 0;
    // Longer than the kernel takes for one argument.
    QTest::newRow("argument too long") << QByteArray("#!/bin/sh\n") << 140000;
}

void RoderuzRunTest::failedStartIsReported()
{
    QFETCH(QByteArray, script);
    QFETCH(int, argumentLength);
    QFile program(workPath(QStringLiteral("program")));
    QVERIFY(program.open(QIODevice::WriteOnly));
    program.write(script);
    program.close();
    QVERIFY(program.setPermissions(program.permissions() | QFile::ExeOwner));
    QString text = program.fileName();
    if (argumentLength > 0)
        text += QLatin1Char(' ') + QString(argumentLength, QLatin1Char('x'));

    const auto dialog = createDialog();
    QVERIFY(dialog);
    dialog->lePassword->setText(QStringLiteral("secret"));
    MessageBoxRecorder recorder;
    run(dialog.get(), text);
    QCOMPARE(recorder.boxes,
        singleOkBox(QMessageBox::Warning, QStringLiteral("Warning - Run command"),
            boldCommand(text) + QStringLiteral("The specified command does not exist.")));
    verifyStayedOpen(dialog.get(), text);
    QCOMPARE(dialog->lePassword->text(), QStringLiteral("secret"));
}

void RoderuzRunTest::failedStartShowsTheLineThatFailed()
{
    QVERIFY(writeDesktopEntry(workPath(QStringLiteral("applications/kavtestmissing.desktop")),
        "Name=Missing\n"
        "Exec=/kavtest/missing/program --open %U\n"));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    MessageBoxRecorder recorder;
    run(dialog.get(), QStringLiteral("kavtestmissing \"a file\""));
    QCOMPARE(recorder.boxes.size(), 1);
    QCOMPARE(recorder.boxes.first().text,
        boldCommand(QStringLiteral("/kavtest/missing/program --open \"a file\""))
            + QStringLiteral("The specified command does not exist."));
}

void RoderuzRunTest::unbalancedQuotesAreRefused()
{
    const QString recorder = writeRecorder(QStringLiteral("quoted"), QStringLiteral("mark"));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    MessageBoxRecorder boxes;
    const QString text = recorder + QStringLiteral(" \"open --and more");
    run(dialog.get(), text);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(boxes.boxes.first().title, QStringLiteral("Warning - Run command"));
    QVERIFY(boxes.boxes.first().text.contains(QStringLiteral("double quotes")));
    verifyStayedOpen(dialog.get(), text);
    QTest::qWait(200);
    QVERIFY(!QFile::exists(workPath(QStringLiteral("mark"))));

    // Three quotes in a row are one literal quote and leave the grouping alone.
    run(dialog.get(), recorder + QStringLiteral(" \"say \"\"\"hi\"\"\"\""));
    const QByteArray record = waitForFile(workPath(QStringLiteral("mark")));
    QCOMPARE(recordedArguments(record), QStringList { QStringLiteral("say \"hi\"") });
}

void RoderuzRunTest::longArgumentsStart()
{
    const QString recorder = writeRecorder(QStringLiteral("long"), QStringLiteral("mark"));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    const QString argument(100000, QLatin1Char('y'));
    run(dialog.get(), recorder + QLatin1Char(' ') + argument);
    const QByteArray record = waitForFile(workPath(QStringLiteral("mark")));
    QCOMPARE(recordedArguments(record), QStringList { argument });
}

void RoderuzRunTest::oddSearchPathEntriesAreSkipped()
{
    const QString recorder =
        writeRecorder(QStringLiteral("bin/kavtest-program"), QStringLiteral("mark"));
    const QString locked = workPath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(locked));
    QVERIFY(QFile::setPermissions(locked, QFile::Permissions()));
    QFile notADirectory(workPath(QStringLiteral("plain-file")));
    QVERIFY(notADirectory.open(QIODevice::WriteOnly));
    notADirectory.close();
    const ScopedEnvironment path("PATH",
        QFile::encodeName(locked + QLatin1Char(':') + notADirectory.fileName()
            + QStringLiteral(":/kavtest/missing::") + workPath(QStringLiteral("bin"))));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    run(dialog.get(), QStringLiteral("kavtest-program arg"));
    QCOMPARE(recordedArguments(waitForFile(workPath(QStringLiteral("mark")))),
        QStringList { QStringLiteral("arg") });
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void RoderuzRunTest::undecodableFileNameNeverStartsAnotherProgram()
{
    // Written byte for byte: the name need not survive a round trip through QString.
    const QByteArray name = QFile::encodeName(work->path())
        + "/kav\xff"
          "prog";
    FILE *script = std::fopen(name.constData(), "w");
    QVERIFY(script);
    std::fputs("#!/bin/sh\nprintf done > '", script);
    std::fputs(QFile::encodeName(workPath(QStringLiteral("mark"))).constData(), script);
    std::fputs("'\n", script);
    std::fclose(script);
    QCOMPARE(chmod(name.constData(), 0755), 0);
    const QString typed = QFile::decodeName(name);
    const auto dialog = createDialog();
    QVERIFY(dialog);
    MessageBoxRecorder recorder;
    run(dialog.get(), typed);
    if (QFile::encodeName(typed) == name) {
        // The local encoding keeps the byte: the program itself starts.
        QCOMPARE(waitForFile(workPath(QStringLiteral("mark"))), QByteArray("done"));
    } else {
        QCOMPARE(recorder.boxes.size(), 1);
        verifyStayedOpen(dialog.get(), typed);
    }
    // QTemporaryDir cannot name the file to remove it.
    QCOMPARE(unlink(name.constData()), 0);
}

void RoderuzRunTest::fileChooserFillsTheField()
{
    const QString recorder = writeRecorder(QStringLiteral("chosen"), QStringLiteral("mark"));
    QSettings().setValue(QStringLiteral("Roderuz/defaultSelectDialogDir"), work->path());
    const auto dialog = createDialog();
    QVERIFY(dialog);
    QTimer chooserAnswer;
    connect(&chooserAnswer, &QTimer::timeout, this, [&] {
        auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        chooserAnswer.stop();
        chooser->selectFile(recorder);
        chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(recorder);
        static_cast<QDialog *>(chooser)->accept();
    });
    chooserAnswer.start(10);
    dialog->selectCommandFileButton->click();
    QCOMPARE(dialog->cbCommand->currentText(), QFileInfo(recorder).canonicalFilePath());
    QVERIFY(dialog->pbRun->isEnabled());
}

// An application menu of one entry, answered by accepting or rejecting it.
static void answerMenu(QTimer *timer, bool acceptIt)
{
    QObject::connect(timer, &QTimer::timeout, [timer, acceptIt] {
        auto *menu = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!menu || !menu->inherits("KavMenuDialog"))
            return;
        timer->stop();
        if (!acceptIt) {
            menu->reject();
            return;
        }
        auto *tree = menu->findChild<QTreeWidget *>();
        const QList<QTreeWidgetItem *> items =
            tree->findItems(QStringLiteral("Kav Menu Test"), Qt::MatchExactly | Qt::MatchRecursive);
        if (!items.isEmpty())
            tree->setCurrentItem(items.first());
        menu->accept();
    });
    timer->start(10);
}

// The menu starts the chosen entry, which the history then names and runs again.
void RoderuzRunTest::menuRunsTheChosenApplication()
{
    const QString applications = workPath(QStringLiteral("menu/applications"));
    QVERIFY(QDir().mkpath(applications));
    const QString recorder =
        writeRecorder(QStringLiteral("menu/kav menu prog"), QStringLiteral("mark"));
    QVERIFY(writeDesktopEntry(applications + QStringLiteral("/kavmenutest.desktop"),
        "Name=Kav Menu Test\nCategories=Utility;\nExec=\"" + QFile::encodeName(recorder)
            + "\" --flag \"\" \"a  b\" %U\n"));
    const ScopedEnvironment dataHome(
        "XDG_DATA_HOME", QFile::encodeName(workPath(QStringLiteral("menu"))));
    const ScopedEnvironment dataDirs(
        "XDG_DATA_DIRS", QFile::encodeName(workPath(QStringLiteral("empty"))));
    const QStringList received = { QStringLiteral("--flag"), QString(), QStringLiteral("a  b") };
    {
        const auto dialog = createDialog();
        QVERIFY(dialog);
        dialog->classifier->setApplicationsDirectory(applications);
        QTimer menuAnswer;
        answerMenu(&menuAnswer, true);
        dialog->selectFromMenuButton->click();
        QCOMPARE(recordedArguments(waitForFile(workPath(QStringLiteral("mark")))), received);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
    QCOMPARE(QSettings().value(QStringLiteral("history")).toStringList(),
        QStringList { QStringLiteral("Kav Menu Test") });
    const QString mark = workPath(QStringLiteral("mark"));
    QVERIFY(QFile::remove(mark));
    {
        const auto dialog = createDialog();
        QVERIFY(dialog);
        dialog->classifier->setApplicationsDirectory(applications);
        QTest::keyClick(dialog->cbCommand->lineEdit(), Qt::Key_Up);
        QCOMPARE(dialog->cbCommand->currentText(), QStringLiteral("Kav Menu Test"));
        dialog->pbRun->click();
        QCOMPARE(recordedArguments(waitForFile(mark)), received);
    }

    // Run does what Enter does: in the empty field it runs the last command again,
    QVERIFY(QFile::remove(mark));
    {
        const auto dialog = createDialog();
        QVERIFY(dialog);
        dialog->classifier->setApplicationsDirectory(applications);
        dialog->pbRun->click();
        QCOMPARE(recordedArguments(waitForFile(mark)), received);
    }
    // and with a word of the application's name its first click takes what the open list
    // offers, though the list takes the click.
    QVERIFY(QFile::remove(mark));
    const auto dialog = createDialog();
    QVERIFY(dialog);
    dialog->classifier->setApplicationsDirectory(applications);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QTest::keyClicks(dialog->cbCommand->lineEdit(), QStringLiteral("Menu"));
    QTRY_COMPARE(dialog->lbHint->hint(), QStringLiteral("Enter runs Kav Menu Test"));
    QWidget *list = dialog->cbCommand->completer()->popup();
    QVERIFY(list->isVisible());
    QTest::mouseClick(list, Qt::LeftButton, Qt::NoModifier,
        list->mapFromGlobal(dialog->pbRun->mapToGlobal(dialog->pbRun->rect().center())));
    QCOMPARE(recordedArguments(waitForFile(mark)), received);
}

void RoderuzRunTest::rejectedMenuChangesNothing()
{
    const auto dialog = createDialog();
    QVERIFY(dialog);
    dialog->setCommandText(QStringLiteral("kept as it was"));
    QTimer menuAnswer;
    answerMenu(&menuAnswer, false);
    dialog->selectFromMenuButton->click();
    QCOMPARE(dialog->cbCommand->currentText(), QStringLiteral("kept as it was"));
}

QTEST_MAIN(RoderuzRunTest)
#include "tst_roderuzrun.moc"
