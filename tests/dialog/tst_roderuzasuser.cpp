// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/desktopentryfile.h"
#include "../common/throwawayaccount.h"
#include "dialog/commandclassifier.h"
#include "dialog/privilegedlauncher.h"
#include "dialog/roderuz.h"
#include "messageboxrecorder.h"
#include "su/ptyprocess.h"
#include "testdialog.h"
#include "testprograms.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The dialog's forked children, which run su for a command.
static QList<pid_t> forkedChildren()
{
    QList<pid_t> children;
    const QString dialog = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state parent ..."; the name may hold blanks and parentheses.
        const QByteArray fields = stat.readAll();
        const QList<QByteArray> afterName = fields.mid(fields.lastIndexOf(')') + 2).split(' ');
        if (afterName.value(1).toInt() == getpid()
            && QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(entry)) == dialog)
            children.append(entry.toInt());
    }
    return children;
}

// The launch of a command as another user or with privileged scheduling.
class RoderuzAsUserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void missingUserIsNamed_data();
    void missingUserIsNamed();
    void wrongPasswordKeepsTheDialogOpen_data();
    void wrongPasswordKeepsTheDialogOpen();
    void refusedBeforeThePassword_data();
    void refusedBeforeThePassword();
    void presetUserTakesThePasswordFirst();
    void switchFailuresAreNamed_data();
    void switchFailuresAreNamed();
    void cancelEndsTheCheckAtOnce();
    void lineBreakInTheCommandIsRefused();
    void runsAsAnotherUser();
    void raisedPriorityGoesToTheSwitch();
    void terminalReceivesTheCommandIntact_data();
    void terminalReceivesTheCommandIntact();

private:
    QString workPath(const QString &name) const { return work->filePath(name); }
    /** A fake su or sudo that records how it was called, then refuses the password. */
    void writeRefusingSwitch(const QString &name);
    /** Clicks Run with @p text and checks that the dialog stayed as it was. */
    static void runAndStay(Roderuz *dialog, const QString &text);

    QTemporaryDir configHome;
    std::unique_ptr<QTemporaryDir> work;
    std::unique_ptr<ScopedEnvironment> path;
};

void RoderuzAsUserTest::initTestCase()
{
    // What the dialog starts as another user leaves it at once; as their
    // subreaper the test finds those processes among its children.
    QVERIFY(prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
    QVERIFY(configHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QCoreApplication::setOrganizationName(QStringLiteral("kav"));
    QCoreApplication::setApplicationName(QStringLiteral("kav-run"));
}

void RoderuzAsUserTest::init()
{
    work = std::make_unique<QTemporaryDir>();
    QVERIFY(work->isValid());
    // Readable and writable for the user the command runs as.
    QVERIFY(QFile::setPermissions(work->path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
            | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
            | QFile::ExeOther));
    QVERIFY(QDir().mkpath(workPath(QStringLiteral("bin"))));
    const QByteArray stub = qgetenv("KAVRUN_BINARY_DIR") + "/stub";
    path = std::make_unique<ScopedEnvironment>("PATH",
        QFile::encodeName(workPath(QStringLiteral("bin"))) + ':' + stub + ':' + qgetenv("PATH"));
    Roderuz::setRunnerPluginDirectory(workPath(QStringLiteral("no-plugins")));
}

void RoderuzAsUserTest::cleanup()
{
    path.reset();
    work.reset();
}

void RoderuzAsUserTest::writeRefusingSwitch(const QString &name)
{
    const QByteArray work = QFile::encodeName(this->work->path());
    QVERIFY(writeScript(workPath(QStringLiteral("bin/") + name),
        "printf '%s\\n' \"$0\" \"$@\" > '" + work
            + "/arguments'\n"
              "env > '"
            + work
            + "/environment'\n"
              "stty -echo\n"
              "printf 'Password: '\n"
              "read -r typed\n"
              "printf '%s' \"$typed\" > '"
            + work
            + "/typed'\n"
              "printf '\\n'\n"
              "echo 'su: Authentication failure'\n"
              "exit 1\n"));
}

void RoderuzAsUserTest::runAndStay(Roderuz *dialog, const QString &text)
{
    const QString user = dialog->leUsername->text();
    const QString password = dialog->lePassword->text();
    dialog->cbCommand->lineEdit()->setText(text);
    QVERIFY(dialog->pbRun->isEnabled());
    dialog->pbRun->click();
    QTRY_VERIFY(!dialog->privilegedLauncher->isChecking());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(dialog->cbCommand->currentText(), text);
    QVERIFY(dialog->cbRunAsOther->isChecked());
    QCOMPARE(dialog->leUsername->text(), user);
    QCOMPARE(dialog->lePassword->text(), password);
    QVERIFY(dialog->cbCommand->historyItems().isEmpty());
    QVERIFY(!QApplication::overrideCursor());
}

void RoderuzAsUserTest::missingUserIsNamed_data()
{
    QTest::addColumn<QString>("user");
    QTest::newRow("unknown name") << QStringLiteral("zz-kavrun-nobody");
    QTest::newRow("blanks") << QStringLiteral("  ");
}

void RoderuzAsUserTest::missingUserIsNamed()
{
    QFETCH(QString, user);
    writeRefusingSwitch(QStringLiteral("su"));
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(user);
    dialog->lePassword->setText(QStringLiteral("secret"));
    QVERIFY(dialog->currentPlan().runsAsAnotherUser());
    MessageBoxRecorder recorder;
    runAndStay(dialog.get(), QStringLiteral("true"));
    QCOMPARE(recorder.boxes,
        singleOkBox(QMessageBox::Warning, QStringLiteral("Warning - Run command"),
            QStringLiteral("<qt>The user <b>%1</b> does not exist on this system.</qt>")
                .arg(user)));
    QVERIFY(!QFile::exists(workPath(QStringLiteral("arguments"))));
}

void RoderuzAsUserTest::wrongPasswordKeepsTheDialogOpen_data()
{
    QTest::addColumn<bool>("useSu");
    QTest::addColumn<QStringList>("arguments");
    const QString stub =
        QString::fromLocal8Bit(qgetenv("KAVRUN_BINARY_DIR")) + QStringLiteral("/stub/tavrine");
    // su hands the companion to a shell.
    QTest::newRow("su") << true
                        << QStringList { QStringLiteral("root"), QStringLiteral("-c"),
                               QLatin1Char('\'') + stub + QLatin1Char('\''), QStringLiteral("-") };
    QTest::newRow("sudo") << false
                          << QStringList { QStringLiteral("-u"), QStringLiteral("root"), stub,
                                 QStringLiteral("-") };
}

void RoderuzAsUserTest::wrongPasswordKeepsTheDialogOpen()
{
    QFETCH(bool, useSu);
    QFETCH(QStringList, arguments);
    const QString tool = useSu ? QStringLiteral("su") : QStringLiteral("sudo");
    writeRefusingSwitch(tool);
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(QStringLiteral("root"));
    dialog->lePassword->setText(QStringLiteral("kav-wrong-secret"));
    if (useSu)
        dialog->setUseSu();
    else
        dialog->setUseSudo();
    MessageBoxRecorder recorder;
    runAndStay(dialog.get(), QStringLiteral("true"));
    QCOMPARE(recorder.boxes,
        singleOkBox(QMessageBox::Warning, QStringLiteral("Warning - Run command"),
            QStringLiteral("Incorrect password. Please try again.")));
    // Typing the right password replaces the wrong one.
    QCOMPARE(dialog->lePassword->selectedText(), QStringLiteral("kav-wrong-secret"));

    // The password went over the terminal only.
    QCOMPARE(waitForFile(workPath(QStringLiteral("typed"))), QByteArray("kav-wrong-secret"));
    const QByteArray called = waitForFile(workPath(QStringLiteral("arguments")));
    QCOMPARE(QString::fromLocal8Bit(called).split(QLatin1Char('\n')).mid(1, arguments.size()),
        arguments);
    QVERIFY(!called.contains("kav-wrong-secret"));
    QVERIFY(!waitForFile(workPath(QStringLiteral("environment"))).contains("kav-wrong-secret"));
}

void RoderuzAsUserTest::refusedBeforeThePassword_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("said"); // a part of the message
    const QString invisible = QStringLiteral("cannot show");
    QTest::newRow("right-to-left override")
        << QStringLiteral("echo harmless") + QChar(0x202E) + QStringLiteral("txt.sh") << invisible;
    QTest::newRow("zero-width space")
        << QStringLiteral("r") + QChar(0x200B) + QStringLiteral("m x") << invisible;
    QTest::newRow("escape") << QStringLiteral("echo ") + QChar(0x1B) + QStringLiteral("[2J")
                            << invisible;
    QTest::newRow("tag character") << QStringLiteral("echo a")
            + QString::fromUcs4(std::array<char32_t, 1> { 0xE0041 }.data(), 1)
                                   << invisible;
    // The caller's own bin folder is on the caller's PATH only.
    QTest::newRow("a program of the caller's own, as root")
        << QStringLiteral("kavtest-mine now")
        << QStringLiteral("<b>kavtest-mine</b> is not on the search path of <b>root</b>");
    QTest::newRow("a 200 kB command") << QStringLiteral("echo ") + QString(200000, QLatin1Char('x'))
                                      << QStringLiteral("200005 bytes long");
}

// What would not reach root as it is shown, or not run there, is refused before su is asked.
void RoderuzAsUserTest::refusedBeforeThePassword()
{
    QFETCH(QString, command);
    QFETCH(QString, said);
    writeRefusingSwitch(QStringLiteral("su"));
    QVERIFY(writeScript(workPath(QStringLiteral("bin/kavtest-mine")),
        "touch '" + QFile::encodeName(workPath(QStringLiteral("mine-ran"))) + "'\n"));
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(QStringLiteral("root"));
    dialog->lePassword->setText(QStringLiteral("secret"));
    dialog->setUseSu();
    MessageBoxRecorder recorder;
    runAndStay(dialog.get(), command);
    QCOMPARE(recorder.boxes.size(), 1);
    QCOMPARE(recorder.boxes.first().icon, QMessageBox::Warning);
    QCOMPARE(recorder.boxes.first().title, QStringLiteral("Warning - Run command"));
    QVERIFY2(recorder.boxes.first().text.contains(said), qPrintable(recorder.boxes.first().text));
    QVERIFY(!QFile::exists(workPath(QStringLiteral("arguments"))));
    QVERIFY(!QFile::exists(workPath(QStringLiteral("mine-ran"))));
}

// Started with a user who needs a password, the dialog takes what is typed at
// once as the password, and Run waits for one.
void RoderuzAsUserTest::presetUserTakesThePasswordFirst()
{
    if (geteuid() != 0)
        QSKIP("creating a user to be the caller needs root");
    ThrowAwayAccount user(QStringLiteral("zz-kavrun-as"));
    QVERIFY(user.create());
    const passwd *entry = getpwnam(qPrintable(user.name()));
    QVERIFY(entry);
    writeRefusingSwitch(QStringLiteral("su"));
    // The dialog's caller is the throw-away user; root comes back when the test ends.
    QVERIFY(setresuid(entry->pw_uid, entry->pw_uid, 0) == 0);
    const std::unique_ptr<Roderuz> dialog = createSettledDialog();
    bool shown = false;
    QWidget *focus = nullptr;
    QString hint;
    if (dialog) {
        dialog->setUser(QStringLiteral("root"));
        dialog->setUseSu();
        dialog->setCommandText(QStringLiteral("echo kav"));
        dialog->show();
        shown = QTest::qWaitForWindowActive(dialog.get());
        focus = QApplication::focusWidget();
        dialog->lePassword->clearFocus();
        dialog->pbRun->click();
        hint = dialog->lbHint->hint();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed at once"));
    }
    QVERIFY(setresuid(0, 0, 0) == 0);
    QVERIFY(dialog && shown);
    QVERIFY(focus == dialog->lePassword);
    QVERIFY(!dialog->privilegedLauncher->isChecking());
    QVERIFY(!QFile::exists(workPath(QStringLiteral("arguments"))));
    QTRY_COMPARE(dialog->lbHint->hint(),
        QStringLiteral("Runs as root through su; asks for the password of root"));
    QCOMPARE(hint, QStringLiteral("Runs as root through su; type the password of root first"));
    QCOMPARE(dialog->lePassword->text(), QStringLiteral("typed at once"));
    QCOMPARE(dialog->cbCommand->currentText(), QStringLiteral("echo kav"));
    QVERIFY(dialog->cbCommand->historyItems().isEmpty());
}

void RoderuzAsUserTest::switchFailuresAreNamed_data()
{
    QTest::addColumn<QByteArray>("su");
    QTest::addColumn<bool>("companionOnPath");
    QTest::addColumn<QString>("message");
    const QByteArray prompt = "stty -echo; printf 'Password: '; read -r typed; printf '\\n'; ";
    QTest::newRow("closed account")
        << prompt + "echo 'This account is currently not available.'" << true
        << QStringLiteral("<qt>su did not run the command as <b>root</b>. It said:<br>This "
                          "account is currently not available.</qt>");
    QTest::newRow("markup in what su said")
        << prompt + "echo '<b>bold</b> & more'" << true
        << QStringLiteral("<qt>su did not run the command as <b>root</b>. It said:<br>&lt;b&gt;"
                          "bold&lt;/b&gt; &amp; more</qt>");
    QTest::newRow("no answer") << QByteArray("exec sleep 30") << true
                               << QStringLiteral("su did not answer in time, so nothing was run.");
    QTest::newRow("prompt with echo on")
        << QByteArray("printf 'Username: '; read -r typed") << true
        << QStringLiteral("<qt>su asked for <b>Username:</b> with the typed text shown on the "
                          "screen, so the password was not typed.</qt>");
    QTest::newRow("su not installed")
        << QByteArray() << true
        << QStringLiteral("<qt><b>su</b> is not installed: it was not found on the search path, "
                          "so nothing can be run as <b>root</b>.</qt>");
    QTest::newRow("no companion")
        << prompt << false
        << QStringLiteral("<qt>The companion program <b>tavrine</b> was not found, so nothing can "
                          "be run as another user.</qt>");
}

void RoderuzAsUserTest::switchFailuresAreNamed()
{
    QFETCH(QByteArray, su);
    QFETCH(bool, companionOnPath);
    QFETCH(QString, message);
    // Without su's script, su is nowhere: the path holds the test's folders alone.
    const QByteArray bin = QFile::encodeName(workPath(QStringLiteral("bin")));
    if (!su.isEmpty())
        QVERIFY(writeScript(workPath(QStringLiteral("bin/su")), su + '\n'));
    const ScopedEnvironment pathWithoutCompanion("PATH",
        su.isEmpty()          ? bin + ':' + qgetenv("KAVRUN_BINARY_DIR") + "/stub"
            : companionOnPath ? qgetenv("PATH")
                              : bin + ":/usr/bin:/bin");
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(QStringLiteral("root"));
    dialog->lePassword->setText(QStringLiteral("secret"));
    dialog->setUseSu();
    PtyProcess::setProgressTimeout(1000);
    MessageBoxRecorder recorder;
    runAndStay(dialog.get(), QStringLiteral("true"));
    PtyProcess::setProgressTimeout(25000);
    QCOMPARE(recorder.boxes,
        singleOkBox(QMessageBox::Warning, QStringLiteral("Warning - Run command"), message));
}

// su that never answers keeps neither the window nor the dialog waiting.
void RoderuzAsUserTest::cancelEndsTheCheckAtOnce()
{
    QVERIFY(writeScript(workPath(QStringLiteral("bin/su")),
        "echo $$ > '" + QFile::encodeName(workPath(QStringLiteral("su.pid")))
            + "'\nexec sleep 30\n"));
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(QStringLiteral("root"));
    dialog->setUseSu();
    dialog->cbCommand->lineEdit()->setText(QStringLiteral("true"));
    dialog->lePassword->setText(QStringLiteral("secret"));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    dialog->pbRun->click();
    const QString suPid = workPath(QStringLiteral("su.pid"));
    const pid_t firstSu = waitForFile(suPid).trimmed().toInt();
    QVERIFY(firstSu > 0);

    // Escape ends the check alone: the dialog stays, the password selected for another try.
    QFile::remove(suPid);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(!dialog->privilegedLauncher->isChecking());
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->cbCommand->currentText(), QStringLiteral("true"));
    QCOMPARE(dialog->lePassword->selectedText(), QStringLiteral("secret"));
    QCOMPARE(dialog->focusWidget(), dialog->lePassword);
    QVERIFY(!QApplication::overrideCursor());
    QTRY_VERIFY_WITH_TIMEOUT(kill(firstSu, 0) != 0, 2000);

    dialog->pbRun->click();
    const pid_t su = waitForFile(suPid).trimmed().toInt();
    QVERIFY(su > 0);
    QVERIFY(dialog->privilegedLauncher->isChecking());
    QVERIFY(QApplication::overrideCursor());
    QVERIFY(!dialog->pbRun->isEnabled());
    QVERIFY(dialog->pbCancel->isEnabled());

    QElapsedTimer cancelled;
    cancelled.start();
    dialog->pbCancel->click();
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(!QApplication::overrideCursor());
    QTRY_VERIFY_WITH_TIMEOUT(kill(su, 0) != 0, 2000);
    QVERIFY(cancelled.elapsed() < 2000);
}

// A desktop entry's Name with a line break, put into its command by "%c",
// would supply the companion's later answers.
void RoderuzAsUserTest::lineBreakInTheCommandIsRefused()
{
    writeRefusingSwitch(QStringLiteral("sudo"));
    QVERIFY(writeDesktopEntry(workPath(QStringLiteral("applications/kavtestbreak.desktop")),
        "Name=Kav\\nLD_PRELOAD=/tmp/kav.so\n"
        "Exec=true %c\n"));
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->classifier->setApplicationsDirectory(workPath(QStringLiteral("applications")));
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(QStringLiteral("root"));
    dialog->setUseSudo();
    MessageBoxRecorder recorder;
    runAndStay(dialog.get(), QStringLiteral("kavtestbreak"));
    QCOMPARE(recorder.boxes,
        singleOkBox(QMessageBox::Warning, QStringLiteral("Warning - Run command"),
            QStringLiteral("The command holds a line break, so it was not run.")));
    QCOMPARE(dialog->lbHint->hint(),
        QStringLiteral("The command holds a line break, so it cannot run as another user"));
    QVERIFY(!QFile::exists(workPath(QStringLiteral("arguments"))));
}

void RoderuzAsUserTest::runsAsAnotherUser()
{
    if (geteuid() != 0)
        QSKIP("creating a user and switching to it without a password needs root");
    ThrowAwayAccount user(QStringLiteral("zz-kavrun-as"));
    QVERIFY(user.create());
    const QString mark = workPath(QStringLiteral("mark"));
    QVERIFY(writeScript(workPath(QStringLiteral("recorder")),
        "{ id -un; printf '%s\\n' \"$@\"; } > '" + QFile::encodeName(mark) + ".tmp' && mv '"
            + QFile::encodeName(mark) + ".tmp' '" + QFile::encodeName(mark)
            + "'\nsleep 1\n")); // long enough to look at the child that runs su
    QVERIFY(writeDesktopEntry(workPath(QStringLiteral("applications/kavtestapp.desktop")),
        "Name=Kav test\nExec=" + QFile::encodeName(workPath(QStringLiteral("recorder"))) + "\n"));

    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->classifier->setApplicationsDirectory(workPath(QStringLiteral("applications")));
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(user.name());
    dialog->setUseSu();
    // The words follow the entry's Exec value; the shell reads "~" as the user's home.
    dialog->cbCommand->lineEdit()->setText(QStringLiteral("kavtestapp \"two words\" ~ $HOME;'"));
    dialog->pbRun->click();
    QTRY_COMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(QString::fromLocal8Bit(waitForFile(mark, 20000)),
        user.name() + QStringLiteral("\ntwo words\n/home/%1\n$HOME;'\n").arg(user.name()));

    // The child that runs su keeps its standard streams and su's terminal, nothing of the
    // dialog's: no X connection, no single-instance lock or socket.
    const QList<pid_t> children = forkedChildren();
    QCOMPARE(children.size(), 1);
    const QString descriptors = QStringLiteral("/proc/%1/fd/").arg(children.first());
    QCOMPARE(QDir(descriptors).entryList(QDir::Files | QDir::System, QDir::Name).size(), 4);
    QCOMPARE(QFile::symLinkTarget(descriptors + QStringLiteral("3")), QStringLiteral("/dev/ptmx"));
    int status = 0;
    QCOMPARE(waitpid(children.first(), &status, 0), children.first());
    QCOMPARE(WEXITSTATUS(status), 0);
}

void RoderuzAsUserTest::raisedPriorityGoesToTheSwitch()
{
    if (geteuid() != 0)
        QSKIP("raising the priority through su without a password needs root");
    const int ownNice = getpriority(PRIO_PROCESS, 0);
    if (ownNice < -17)
        QSKIP("the test already runs at the highest priorities");
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    dialog->setUseSu();
    dialog->cbPriority->setChecked(true);
    dialog->slPriority->setValue(ownNice - 3);
    // Root is forced for a raised priority.
    QCOMPARE(dialog->leUsername->text(), QStringLiteral("root"));
    QVERIFY(dialog->currentPlan().runsAsAnotherUser());
    const QString mark = workPath(QStringLiteral("mark"));
    dialog->cbCommand->lineEdit()->setText(
        QStringLiteral("cut -d' ' -f19 /proc/self/stat > %1.tmp && mv %1.tmp %1").arg(mark));
    dialog->pbRun->click();
    QTRY_COMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(waitForFile(mark, 20000).trimmed().toInt(), ownNice - 3);
}

void RoderuzAsUserTest::terminalReceivesTheCommandIntact_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("bin") << QStringLiteral("bin");
    QTest::newRow("a folder with a blank") << QStringLiteral("two words");
    QTest::newRow("a folder named like a command") << QStringLiteral("t$(touch x)`touch y`");
}

// The terminal that runs a command as root is found in folders of its own, and its path
// stays a path.
void RoderuzAsUserTest::terminalReceivesTheCommandIntact()
{
    QFETCH(QString, folder);
    if (geteuid() != 0)
        QSKIP("switching to root without a password needs root");
    // kav-term is looked for first, and only the fake ones exist; the one in the current
    // folder, through a relative entry of PATH, is the user's own.
    const QByteArray arguments = QFile::encodeName(workPath(QStringLiteral("terminal-arguments")));
    const QString terminalFolder = workPath(folder);
    QVERIFY(QDir().mkpath(terminalFolder));
    QVERIFY(writeScript(terminalFolder + QStringLiteral("/kav-term"),
        "printf '%s\\n' \"$@\" > '" + arguments + ".tmp'\nmv '" + arguments + ".tmp' '" + arguments
            + "'\nwhile [ \"$1\" != -e ]; do shift; done\nshift\nexec \"$@\"\n"));
    QVERIFY(QDir().mkpath(workPath(QStringLiteral("relative"))));
    QVERIFY(writeScript(workPath(QStringLiteral("relative/kav-term")), "touch relative-ran\n"));
    const ScopedEnvironment terminalPath(
        "PATH", "relative:" + QFile::encodeName(terminalFolder) + ':' + qgetenv("PATH"));
    const QString savedFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work->path()));
    const auto dialog = createSettledDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->cbRunInTerminal->isEnabled());
    dialog->cbRunInTerminal->click();
    dialog->cbRunAsOther->setChecked(true);
    dialog->leUsername->setText(QStringLiteral("root"));
    dialog->setUseSu();

    const QString mark = workPath(QStringLiteral("mark"));
    const QString command =
        QStringLiteral("printf '%s|' \"two words\" 'back\\slash' '$HOME' \"a\\\"b\" `echo tick` "
                       "> %1.tmp && mv %1.tmp %1")
            .arg(mark);
    dialog->cbCommand->lineEdit()->setText(command);
    dialog->pbRun->click();
    QTRY_COMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(waitForFile(mark, 20000), QByteArray("two words|back\\slash|$HOME|a\"b|tick|"));
    QCOMPARE(QString::fromLocal8Bit(waitForFile(QFile::decodeName(arguments))),
        QStringLiteral("--noclose\n-e\n/bin/sh\n-c\n") + command + QLatin1Char('\n'));
    QDir::setCurrent(savedFolder);
    QVERIFY(
        QDir(work->path())
            .entryList({ QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("relative-ran") })
            .isEmpty());
}

QTEST_MAIN(RoderuzAsUserTest)
#include "tst_roderuzasuser.moc"
