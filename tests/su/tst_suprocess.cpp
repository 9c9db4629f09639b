// SPDX-License-Identifier: GPL-2.0-or-later
// su and sudo with a password: against scripts that stand in for them, and
// against the real programs with throw-away accounts (root only).
#include "../common/throwawayaccount.h"
#include "su/suprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <errno.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int TimedOut = -100;
const QString switchingUser = QStringLiteral("zz-kavrun-su1");
const QString otherUser = QStringLiteral("zz-kavrun-su2");
const QString closedUser = QStringLiteral("zz-kavrun-closed"); // a nologin shell
const QString expiredUser = QStringLiteral("zz-kavrun-expired"); // must change its password
const QStringList throwAwayUsers { switchingUser, otherUser, closedUser, expiredUser };
const QString sudoersDropIn = QStringLiteral("/etc/sudoers.d/zz-kavrun-su");

QByteArray binaryPath(const char *relativePath)
{
    return qgetenv("KAVRUN_BINARY_DIR") + '/' + relativePath;
}

bool hasNoNewPrivileges()
{
    QFile status(QStringLiteral("/proc/self/status"));
    return status.open(QIODevice::ReadOnly)
        && status.readAll().contains(QByteArrayLiteral("\nNoNewPrivs:\t1"));
}

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs @p attempt in a forked child, so that an exchange that waits for ever cannot hang
// the suite. @return what it returned (-16 to 239), or TimedOut
int runWithTimeLimit(const std::function<int()> &attempt, unsigned seconds = 10)
{
    const pid_t child = fork();
    if (child == 0) {
        alarm(seconds);
        _exit(attempt() & 0xff);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return TimedOut;
    return WEXITSTATUS(status) >= 240 ? WEXITSTATUS(status) - 256 : WEXITSTATUS(status);
}

/**
 * Accounts with random passwords: two with real shells, the first allowed to use sudo, a
 * closed one and one whose password has expired.
 * Whatever it creates goes again when it is destroyed, and leftovers of an earlier,
 * crashed run go before it starts.
 */
class ThrowAwayAccounts
{
public:
    ThrowAwayAccounts()
    {
        removeSudoState();
        for (const QString &user : throwAwayUsers) {
            accounts.push_back(std::make_unique<ThrowAwayAccount>(user,
                user == closedUser ? QStringLiteral("/usr/sbin/nologin")
                                   : QStringLiteral("/bin/bash")));
            if (!accounts.back()->create())
                return;
        }
        ready = runAdmin(QStringLiteral("chage"),
                    { QStringLiteral("-d"), QStringLiteral("0"), expiredUser })
            && installSudoersDropIn();
    }
    // The accounts themselves go after what sudo keeps about them.
    ~ThrowAwayAccounts() { removeSudoState(); }
    Q_DISABLE_COPY(ThrowAwayAccounts)

    bool isReady() const { return ready; }
    QByteArray password(const QString &user) const
    {
        for (const auto &account : accounts) {
            if (account->name() == user)
                return account->password();
        }
        return QByteArray();
    }

    // sudo would otherwise remember an earlier authentication and not ask.
    static void forgetSudoAuthentication()
    {
        for (const QString &user : throwAwayUsers) {
            QFile::remove(QStringLiteral("/run/sudo/ts/") + user);
            QFile::remove(QStringLiteral("/var/run/sudo/ts/") + user);
        }
    }

private:
    static bool installSudoersDropIn()
    {
        QTemporaryDir directory;
        const QString draft = directory.filePath(QStringLiteral("kavsutest"));
        QFile file(draft);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(switchingUser.toLatin1() + " ALL=(ALL:ALL) ALL\n") < 0)
            return false;
        file.close();
        return runAdmin(QStringLiteral("visudo"), { QStringLiteral("-cf"), draft })
            && runAdmin(QStringLiteral("install"),
                { QStringLiteral("-m"), QStringLiteral("0440"), draft, sudoersDropIn });
    }

    static void removeSudoState()
    {
        QFile::remove(sudoersDropIn);
        forgetSudoAuthentication();
        for (const QString &user : throwAwayUsers)
            QFile::remove(QStringLiteral("/var/lib/sudo/lectured/") + user);
    }

    std::vector<std::unique_ptr<ThrowAwayAccount>> accounts;
    bool ready = false;
};

struct DriverRun
{
    int result = TimedOut;
    bool wiped = false;
    bool reaped = false; // su or sudo
    bool dumpable = true;
    QByteArray lastLine;
    qint64 milliseconds = 0;
};

} // namespace

class SuProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void argumentLists_data();
    void argumentLists();
    void answersOnlyAPrompt_data();
    void answersOnlyAPrompt();
    void checksTheEchoOfThePassword_data();
    void checksTheEchoOfThePassword();
    void refusalKillsAndReapsTheChild_data();
    void refusalKillsAndReapsTheChild();
    void promptWithEchoOnGetsNothing();
    void givesUpWithoutProgress_data();
    void givesUpWithoutProgress();
    void missingCompanion_data();
    void missingCompanion();
    void handshakeWithoutPrompt_data();
    void handshakeWithoutPrompt();
    void carriageReturnsOfSudo();
    void terminalClosedDuringConversation();
    void missingSwitchTool_data();
    void missingSwitchTool();
    void lineBreakStartsNothing_data();
    void lineBreakStartsNothing();
    void cancelEndsTheAttemptAtOnce_data();
    void cancelEndsTheAttemptAtOnce();
    void wipesThePasswordWhenAsked_data();
    void wipesThePasswordWhenAsked();

    void suWithThePassword();
    void wrongPassword_data();
    void wrongPassword();
    void sudoWithThePassword();
    void verifyRunsNothing_data();
    void verifyRunsNothing();
    void rootIsNotAsked_data();
    void rootIsNotAsked();
    void realtimeSchedulingReachesTheCommand();
    void raisedPriorityReachesTheCommand();
    void hostileEnvironmentStaysBehind();
    void companionPathIsOneWord_data();
    void companionPathIsOneWord();
    void refusalsSayWhy_data();
    void refusalsSayWhy();

private:
    /** Writes an executable bash script @p name with @p body into the folder of fake tools. */
    void installFakeTool(const char *name, const QByteArray &body);
    QString outPath(const char *name) const
    {
        return outFolder + QLatin1Char('/') + QLatin1String(name);
    }
    QByteArray outFile(const char *name) const { return QFile::encodeName(outPath(name)); }
    /** Skips the test unless su and sudo can really switch users here. */
    bool realSwitchingPossible();
    /**
     * Runs the driver in the folder of results, as @p caller (root when null), with
     * @p password on its input and @p environment (NAME=value) added to its own.
     */
    DriverRun runDriver(const QByteArray &tool, const QString &user, int mode,
        const QByteArray &command, const QByteArray &password,
        const QString &caller = switchingUser, const QStringList &environment = {},
        int priority = 1, int policy = StubProcess::SchedulingNormal);

    QTemporaryDir directory;
    QString binFolder; // tavrine and the driver, readable by everyone
    QString fakeFolder; // scripts that stand in for su and sudo
    QString outFolder; // what the commands write, writable by everyone
    QByteArray savedPath;
    std::unique_ptr<ThrowAwayAccounts> accounts;
};

void SuProcessTest::initTestCase()
{
    QVERIFY(directory.isValid());
    // The throw-away users need to reach the programs and write their results.
    const QFile::Permissions open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    binFolder = directory.filePath(QStringLiteral("bin"));
    fakeFolder = directory.filePath(QStringLiteral("fake"));
    outFolder = directory.filePath(QStringLiteral("out"));
    for (const QString &folder : { binFolder, fakeFolder, outFolder })
        QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(directory.path(), open));
    QVERIFY(QFile::setPermissions(binFolder, open));
    QVERIFY(QFile::setPermissions(outFolder, open | QFile::WriteOther));
    for (const char *binary : { "stub/tavrine", "tests/su/suprocessdriver" }) {
        const QString source = QFile::decodeName(binaryPath(binary));
        QVERIFY2(QFile::copy(source, binFolder + QLatin1Char('/') + QFileInfo(source).fileName()),
            qPrintable(source));
    }
    savedPath = qgetenv("PATH");

    if (getuid() == 0 && !hasNoNewPrivileges()) {
        accounts = std::make_unique<ThrowAwayAccounts>();
        QVERIFY2(accounts->isReady(), "the throw-away accounts could not be set up");
    }
}

void SuProcessTest::init()
{
    qputenv(
        "PATH", QFile::encodeName(fakeFolder + QLatin1Char(':') + binFolder) + ":/usr/bin:/bin");
    qunsetenv("DISPLAY"); // no xauth look-up
}

void SuProcessTest::cleanup()
{
    qputenv("PATH", savedPath);
    for (const QString &name : QDir(fakeFolder).entryList(QDir::Files))
        QFile::remove(fakeFolder + QLatin1Char('/') + name);
    for (const QString &name : QDir(outFolder).entryList(QDir::Files))
        QFile::remove(outFolder + QLatin1Char('/') + name);
}

void SuProcessTest::cleanupTestCase()
{
    accounts.reset();
}

void SuProcessTest::installFakeTool(const char *name, const QByteArray &body)
{
    QFile script(fakeFolder + QLatin1Char('/') + QLatin1String(name));
    QVERIFY(script.open(QIODevice::WriteOnly));
    // As su and sudo do before they show a prompt.
    script.write("#!/bin/bash\nstty -echo\n" + body + '\n');
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner | QFile::ExeOther));
}

void SuProcessTest::argumentLists_data()
{
    QTest::addColumn<QString>("chosenTool");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArrayList>("commandLine");
    const QByteArray companion = QFile::encodeName(binFolder) + "/tavrine";
    // su hands its command to a shell, sudo runs it itself.
    const QByteArray quoted = '\'' + companion + '\'';
    const QByteArrayList sudoToRoot { "sudo", "-u", "root", companion, "-" };
    QTest::newRow("sudo to root") << QStringLiteral("sudo") << QByteArray("root") << sudoToRoot;
    QTest::newRow("sudo unless told") << QString() << QByteArray("root") << sudoToRoot;
    QTest::newRow("sudo to another user is su") << QStringLiteral(
        "sudo") << QByteArray("nobody") << QByteArrayList { "su", "nobody", "-c", quoted, "-" };
    QTest::newRow("su to root") << QStringLiteral("su") << QByteArray("root")
                                << QByteArrayList { "su", "root", "-c", quoted, "-" };
    QTest::newRow("unknown tool is su") << QStringLiteral("doas") << QByteArray("root")
                                        << QByteArrayList { "su", "root", "-c", quoted, "-" };
}

void SuProcessTest::argumentLists()
{
    QFETCH(QString, chosenTool);
    QFETCH(QByteArray, user);
    QFETCH(QByteArrayList, commandLine);
    // Both stand-ins file their name, arguments and environment, ask, then start the companion.
    const QByteArray recorder = "{ basename \"$0\"; printf '%s\\n' \"$@\"; } > '" + outFile("args")
        + "'; env > '" + outFile("env") + "'; printf 'Password: '; IFS= read -r typed; "
        + "printf '%s\\n' \"$typed\" > '" + outFile("typed") + "'; echo; exec sh -c \"$3\" \"$4\"";
    installFakeTool("su", recorder);
    installFakeTool("sudo", recorder);
    qputenv("BASH_ENV", "/nonexistent/bashrc");

    SuProcess process(user, "true");
    if (!chosenTool.isNull())
        process.setSwitchTool(chosenTool);
    QCOMPARE(process.verifyPassword("Secret 1"), int(SuProcess::SwitchOk));

    QCOMPARE(fileContent(outPath("args")).split('\n'), commandLine << QByteArray());
    QCOMPARE(fileContent(outPath("typed")), QByteArray("Secret 1\n"));
    const QByteArray environment = fileContent(outPath("env"));
    QVERIFY(!environment.contains("Secret 1"));
    QVERIFY(!environment.contains("BASH_ENV="));
    // The caller's own environment is left alone: another thread may be reading it.
    QCOMPARE(qgetenv("BASH_ENV"), QByteArray("/nonexistent/bashrc"));
    qunsetenv("BASH_ENV");
}

void SuProcessTest::answersOnlyAPrompt_data()
{
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("answered");
    QTest::newRow("prompt") << QByteArray("Password: ") << true;
    QTest::newRow("blanks and a tab") << QByteArray("Passwort: \\t ") << true;
    QTest::newRow("sudo's prompt") << QByteArray("[sudo] password for ann: ") << true;
    QTest::newRow("banner, then prompt")
        << QByteArray("Welcome: this is a test host\\nLast login: never\\nPassword: ") << true;
    QTest::newRow("lecture with a colon and blank lines")
        << QByteArray("It boils down to these things:\\n\\n    #1) Think.\\n\\nPassword: ") << true;
    QTest::newRow("two colons") << QByteArray("Host: Password: ") << false;
    QTest::newRow("text after the colon") << QByteArray("Password: x") << false;
    QTest::newRow("no colon") << QByteArray("Password ") << false;
    QTest::newRow("colon line, then text") << QByteArray("Note:\\nread the rules\\n") << false;
}

void SuProcessTest::answersOnlyAPrompt()
{
    QFETCH(QByteArray, output);
    QFETCH(bool, answered);
    // What is typed within a second of the output is an answer to it; a plain prompt follows.
    installFakeTool("su",
        "printf '" + output + "'; if IFS= read -r -t 1 typed; then answer=\"answered $typed\"; "
            + "else printf 'Password: '; IFS= read -r typed; answer=\"later $typed\"; fi; "
            + "echo \"$answer\" > '" + outFile("typed") + "'; echo; exec sh -c \"$3\" -");

    const int result = runWithTimeLimit([] {
        SuProcess process("nobody", "true");
        return process.verifyPassword("pw");
    });
    QCOMPARE(result, int(SuProcess::SwitchOk));
    QCOMPARE(fileContent(outPath("typed")), QByteArray(answered ? "answered pw\n" : "later pw\n"));
}

void SuProcessTest::checksTheEchoOfThePassword_data()
{
    QTest::addColumn<QByteArray>("echo");
    QTest::addColumn<int>("result");
    QTest::newRow("nothing") << QByteArray("") << int(SuProcess::SwitchOk);
    QTest::newRow("asterisks between blanks")
        << QByteArray("  ****\\t") << int(SuProcess::SwitchOk);
    QTest::newRow("carriage return") << QByteArray("\\r") << int(SuProcess::SwitchOk);
    QTest::newRow("the password itself") << QByteArray("pw") << int(SuProcess::SwitchFailed);
    QTest::newRow("asterisks and more") << QByteArray("**x*") << int(SuProcess::SwitchFailed);
}

void SuProcessTest::checksTheEchoOfThePassword()
{
    QFETCH(QByteArray, echo);
    QFETCH(int, result);
    installFakeTool("su",
        "printf 'Password: '; IFS= read -r typed; printf '" + echo + "\\n'; exec sh -c \"$3\" -");
    QCOMPARE(runWithTimeLimit([] {
        SuProcess process("nobody", "true");
        return process.verifyPassword("pw");
    }),
        result);
}

void SuProcessTest::refusalKillsAndReapsTheChild_data()
{
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QByteArray>("refusal"); // shell code
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("lastLine");
    const int refused = SuProcess::SwitchRefused;
    const int denied = SuProcess::SwitchDenied;
    QTest::newRow("su, message") << QByteArray("su")
                                 << QByteArray("printf 'su: Authentication failure\\n'") << refused
                                 << QByteArray("su: Authentication failure");
    // As the real su writes it: its name, then the message.
    QTest::newRow("su, message in two writes")
        << QByteArray("su") << QByteArray("printf 'su: '; printf 'Authentication failure\\n'")
        << refused << QByteArray("su: Authentication failure");
    QTest::newRow("su, terminal closed")
        << QByteArray("su") << QByteArray("exit 1") << refused << QByteArray("Password:");
    // sudo asks again after its message; it is killed while it waits.
    QTest::newRow("sudo, asks again")
        << QByteArray("sudo")
        << QByteArray("printf 'Sorry, try again.\\r\\n[sudo] password for ann: '") << refused
        << QByteArray("Sorry, try again. [sudo] password for ann:");
    // The password was right, but su or sudo go no further.
    QTest::newRow("su, closed account")
        << QByteArray("su") << QByteArray("echo 'This account is currently not available.'")
        << denied << QByteArray("This account is currently not available.");
    QTest::newRow("sudo, not in sudoers")
        << QByteArray("sudo") << QByteArray("printf 'ann is not in the sudoers file.\\r\\n'")
        << denied << QByteArray("ann is not in the sudoers file.");
    // The companion's handshake, then a line that is no request of it.
    QTest::newRow("su, odd line in the conversation")
        << QByteArray("su") << QByteArray("printf 'tavrine\\nLast login: never\\n'") << denied
        << QByteArray("Last login: never");
}

void SuProcessTest::refusalKillsAndReapsTheChild()
{
    QFETCH(QByteArray, tool);
    QFETCH(QByteArray, refusal);
    QFETCH(int, result);
    QFETCH(QByteArray, lastLine);
    installFakeTool(tool.constData(),
        "printf 'Password: '; IFS= read -r typed; echo; sleep 0.2; " + refusal
            + "; read -r -t 20 again");

    SuProcess process("root", "true");
    process.setSwitchTool(QString::fromLatin1(tool));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(process.authenticateAndRun("pw", SuProcess::RunCommand), result);
    QCOMPARE(process.lastLine(), lastLine);
    QVERIFY(timer.elapsed() < 10000);
    const bool reaped = kill(process.childPid(), 0) == -1 && errno == ESRCH;
    QVERIFY(reaped);
}

void SuProcessTest::promptWithEchoOnGetsNothing()
{
    // A PAM "Username:" leaves echo on: what is typed would show.
    installFakeTool("su",
        "stty echo; printf 'Username: '; if IFS= read -r -t 10 typed; then echo \"$typed\" > '"
            + outFile("typed") + "'; fi");
    SuProcess process("nobody", "true");
    QCOMPARE(process.verifyPassword("pw"), int(SuProcess::SwitchEchoOn));
    QCOMPARE(process.lastLine(), QByteArray("Username:"));
    QVERIFY(!QFile::exists(outPath("typed")));
}

void SuProcessTest::givesUpWithoutProgress_data()
{
    QTest::addColumn<QByteArray>("fake");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("result");
    const int verify = SuProcess::VerifyOnly;
    const int run = SuProcess::RunCommand;
    const int timedOut = SuProcess::SwitchTimedOut;
    const int denied = SuProcess::SwitchDenied;
    // exec: the child that is killed is the one that hangs or floods.
    QTest::newRow("silence") << QByteArray("exec sleep 30") << verify << timedOut;
    QTest::newRow("no line break")
        << QByteArray("printf 'Password'; exec sleep 30") << verify << timedOut;
    // Run mode: the verification's mirror would copy the flood to the test's output.
    QTest::newRow("flood of lines") << QByteArray("exec yes 'a line'") << run << denied;
    QTest::newRow("flood without line breaks")
        << QByteArray("exec tr '\\0' x < /dev/zero") << run << denied;
    QTest::newRow("flood of empty lines after the password")
        << QByteArray("printf 'Password: '; read -r typed; exec yes ''") << run << denied;
    QTest::newRow("silence after the password")
        << QByteArray("printf 'Password: '; read -r typed; echo; exec sleep 30") << verify
        << timedOut;
    // The companion asks, and nobody passes the answers on.
    QTest::newRow("silence after the handshake")
        << QByteArray("printf 'Password: '; read -r typed; printf '\\ntavrine\\n'; exec sleep 30")
        << run << timedOut;
    QTest::newRow("silence after the companion")
        << QByteArray("printf 'Password: '; read -r typed; echo; sh -c \"$3\" -; exec sleep 30")
        << verify << timedOut;
    // Every answer is progress, but not beyond the overall clock; told to stop, a companion
    // has nothing more to ask.
    const QByteArray askingForever = "printf 'Password: '; read -r typed; printf '\\ntavrine\\n'; "
                                     "while read -r answer; do echo display; done";
    QTest::newRow("asks for ever") << askingForever << run << timedOut;
    QTest::newRow("asks on after stop") << askingForever << verify << denied;
}

void SuProcessTest::givesUpWithoutProgress()
{
    QFETCH(QByteArray, fake);
    QFETCH(int, mode);
    QFETCH(int, result);
    installFakeTool("su", fake);
    PtyProcess::setProgressTimeout(1000);
    PtyProcess::setOverallTimeout(2500);
    const int attempt = runWithTimeLimit([mode] {
        SuProcess process("nobody", "true");
        const int result = process.authenticateAndRun("pw", mode);
        // Killed and reaped: nothing of the attempt is left.
        return kill(process.childPid(), 0) == -1 && errno == ESRCH ? result : 100;
    });
    PtyProcess::setProgressTimeout(25000);
    PtyProcess::setOverallTimeout(60000);
    QCOMPARE(attempt, result);
}

void SuProcessTest::missingCompanion_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("currentFolderEntries");
    QTest::newRow("verify") << int(SuProcess::VerifyOnly) << QByteArray();
    QTest::newRow("run") << int(SuProcess::RunCommand) << QByteArray();
    // The current folder may be anybody's: it is never searched.
    QTest::newRow("in the current folder")
        << int(SuProcess::VerifyOnly) << QByteArray(":.:../bin:");
}

void SuProcessTest::missingCompanion()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, currentFolderEntries);
    installFakeTool("su", "touch '" + outFile("started") + "'");
    qputenv("PATH", currentFolderEntries + QFile::encodeName(fakeFolder) + ":/usr/bin:/bin");
    const QString savedFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(binFolder));
    SuProcess process("nobody", "true");
    const int result = process.authenticateAndRun("pw", mode);
    QDir::setCurrent(savedFolder);
    QCOMPARE(result, int(SuProcess::SwitchNoCompanion));
    QCOMPARE(process.childPid(), pid_t(-1));
    QVERIFY(!QFile::exists(outPath("started")));
}

void SuProcessTest::handshakeWithoutPrompt_data()
{
    QTest::addColumn<QByteArray>("banner");
    QTest::newRow("handshake first") << QByteArray();
    QTest::newRow("banner, then handshake") << QByteArray("echo 'Welcome: test host'; ");
}

void SuProcessTest::handshakeWithoutPrompt()
{
    QFETCH(QByteArray, banner);
    // What is typed before the companion runs would be read as its first answer.
    installFakeTool("su",
        banner + "if IFS= read -r -t 0.5 typed; then echo \"typed $typed\" > '" + outFile("typed")
            + "'; fi; exec sh -c \"$3\" -");
    QCOMPARE(runWithTimeLimit([this] {
        SuProcess process("nobody", "touch '" + outFile("ran") + "'; exit 4");
        return process.authenticateAndRun("pw", SuProcess::RunCommand);
    }),
        4);
    QVERIFY(QFile::exists(outPath("ran")));
    QVERIFY(!QFile::exists(outPath("typed")));
}

void SuProcessTest::carriageReturnsOfSudo()
{
    installFakeTool("sudo",
        "printf '[sudo] password for ann: '; IFS= read -r typed; printf '\\r\\ntavrine\\r\\n'; "
        "IFS= read -r answer; echo \"$answer\" > '"
            + outFile("answer") + "'; printf 'end\\r\\n'");
    QCOMPARE(runWithTimeLimit([] {
        SuProcess process("root", "true");
        return process.verifyPassword("pw");
    }),
        int(SuProcess::SwitchOk));
    QCOMPARE(fileContent(outPath("answer")), QByteArray("stop\n"));
}

void SuProcessTest::terminalClosedDuringConversation()
{
    installFakeTool("su", "printf 'Password: '; IFS= read -r typed; printf '\\ntavrine\\n'");
    SuProcess process("nobody", "true");
    QCOMPARE(process.authenticateAndRun("pw", SuProcess::RunCommand), int(SuProcess::SwitchFailed));
}

void SuProcessTest::missingSwitchTool_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("currentFolderEntries");
    QTest::newRow("su, verify") << QStringLiteral("su") << int(SuProcess::VerifyOnly)
                                << int(SuProcess::SwitchToolMissing) << QByteArray();
    QTest::newRow("su, run") << QStringLiteral("su") << int(SuProcess::RunCommand)
                             << int(SuProcess::SwitchToolMissing) << QByteArray();
    QTest::newRow("sudo, verify") << QStringLiteral("sudo") << int(SuProcess::VerifyOnly)
                                  << int(SuProcess::SwitchToolMissing) << QByteArray();
    QTest::newRow("sudo, run") << QStringLiteral("sudo") << int(SuProcess::RunCommand)
                               << int(SuProcess::SwitchToolMissing) << QByteArray();
    // A fake in a shared folder must not get the password.
    QTest::newRow("su in the current folder")
        << QStringLiteral("su") << int(SuProcess::VerifyOnly) << int(SuProcess::SwitchToolMissing)
        << QByteArray(":.:../fake:");
    QTest::newRow("sudo in the current folder")
        << QStringLiteral("sudo") << int(SuProcess::RunCommand) << int(SuProcess::SwitchToolMissing)
        << QByteArray(".::fake:");
}

void SuProcessTest::missingSwitchTool()
{
    QFETCH(QString, tool);
    QFETCH(int, mode);
    QFETCH(int, result);
    QFETCH(QByteArray, currentFolderEntries);
    installFakeTool("su", "touch '" + outFile("started") + "'");
    installFakeTool("sudo", "touch '" + outFile("started") + "'");
    qputenv("PATH", currentFolderEntries + QFile::encodeName(binFolder));
    const QString savedFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(fakeFolder));
    SuProcess process("root", "true");
    process.setSwitchTool(tool);
    const int attempt = process.authenticateAndRun("pw", mode);
    QDir::setCurrent(savedFolder);
    QCOMPARE(attempt, result);
    QVERIFY(!QFile::exists(outPath("started")));
    QCOMPARE(process.childPid(), pid_t(-1));
    QCOMPARE(process.terminalFd(), -1);
}

void SuProcessTest::lineBreakStartsNothing_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("companionFolder");
    QTest::addColumn<int>("value");
    QTest::newRow("command") << QByteArray("true\nid") << QString()
                             << int(StubProcess::CommandLineValue);
    QTest::newRow("companion's folder") << QByteArray("true") << QStringLiteral("line\nbreak")
                                        << int(StubProcess::CompanionPathValue);
}

void SuProcessTest::lineBreakStartsNothing()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, companionFolder);
    QFETCH(int, value);
    installFakeTool("sudo", "touch '" + outFile("started") + "'");
    if (!companionFolder.isEmpty()) {
        const QString folder = directory.filePath(companionFolder);
        QVERIFY(QDir().mkpath(folder));
        QFile::copy(binFolder + QStringLiteral("/tavrine"), folder + QStringLiteral("/tavrine"));
        qputenv("PATH", QFile::encodeName(fakeFolder + QLatin1Char(':') + folder));
    }
    SuProcess process("root", command);
    QCOMPARE(int(process.valueWithLineBreak()), value);
    QCOMPARE(process.verifyPassword("pw"), int(SuProcess::SwitchLineBreak));
    QCOMPARE(process.childPid(), pid_t(-1));
    QVERIFY(!QFile::exists(outPath("started")));
}

void SuProcessTest::cancelEndsTheAttemptAtOnce_data()
{
    QTest::addColumn<QByteArray>("fake");
    QTest::addColumn<int>("cancelAfterMs");
    QTest::newRow("before the start") << QByteArray("touch '" + outFile("started") + "'") << -1;
    QTest::newRow("silence") << QByteArray("exec sleep 30") << 300;
    QTest::newRow("prompt with echo on")
        << QByteArray("stty echo; printf 'Password: '; exec sleep 30") << 300;
    QTest::newRow("silence after the password")
        << QByteArray("printf 'Password: '; read -r typed; echo; exec sleep 30") << 300;
}

// Cancel from another thread, as the dialog's Cancel does: the child is killed and reaped.
void SuProcessTest::cancelEndsTheAttemptAtOnce()
{
    QFETCH(QByteArray, fake);
    QFETCH(int, cancelAfterMs);
    installFakeTool("su", fake);
    SuProcess process("nobody", "true");
    if (cancelAfterMs < 0)
        process.cancel();
    std::thread canceller([&process, cancelAfterMs] {
        if (cancelAfterMs >= 0) {
            QThread::msleep(cancelAfterMs);
            process.cancel();
        }
    });
    QElapsedTimer timer;
    timer.start();
    const int result = process.verifyPassword("pw");
    canceller.join();
    QCOMPARE(result, int(SuProcess::SwitchCancelled));
    QVERIFY2(timer.elapsed() < cancelAfterMs + 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(PtyProcess::pollExit(process.childPid()) == -1 && errno == ECHILD);
    QVERIFY(!QFile::exists(outPath("started")));
}

void SuProcessTest::wipesThePasswordWhenAsked_data()
{
    QTest::addColumn<QByteArray>("fake");
    QTest::addColumn<bool>("wipe");
    QTest::addColumn<int>("result");
    const QByteArray accepting =
        "printf 'Password: '; IFS= read -r typed; echo; exec sh -c \"$3\" -";
    QTest::newRow("accepted") << accepting << true << int(SuProcess::SwitchOk);
    QTest::newRow("accepted, kept") << accepting << false << int(SuProcess::SwitchOk);
    QTest::newRow("refused") << QByteArray("printf 'Password: '; read -r typed; echo; "
                                           "echo 'su: Authentication failure'")
                             << true << int(SuProcess::SwitchRefused);
    QTest::newRow("broken off") << QByteArray("printf 'Password: '; read -r typed; echo $typed")
                                << true << int(SuProcess::SwitchFailed);
    QTest::newRow("su missing") << QByteArray() << true << int(SuProcess::SwitchToolMissing);
}

void SuProcessTest::wipesThePasswordWhenAsked()
{
    QFETCH(QByteArray, fake);
    QFETCH(bool, wipe);
    QFETCH(int, result);
    if (fake.isEmpty())
        qputenv("PATH", QFile::encodeName(binFolder));
    else
        installFakeTool("su", fake);

    char password[] = "Secret 1";
    SuProcess process("nobody", "true");
    process.setWipePassword(wipe);
    QCOMPARE(process.verifyPassword(password), result);
    if (wipe)
        QCOMPARE(QByteArray(password, sizeof password), QByteArray(sizeof password, '\0'));
    else
        QCOMPARE(QByteArray(password), QByteArray("Secret 1"));
}

bool SuProcessTest::realSwitchingPossible()
{
    if (getuid() != 0) {
        QTest::qSkip("creating the users su and sudo switch to needs root", __FILE__, __LINE__);
        return false;
    }
    if (hasNoNewPrivileges()) {
        QTest::qSkip("no_new_privs is set: su and sudo cannot gain privileges", __FILE__, __LINE__);
        return false;
    }
    return accounts && accounts->isReady();
}

DriverRun SuProcessTest::runDriver(const QByteArray &tool, const QString &user, int mode,
    const QByteArray &command, const QByteArray &password, const QString &caller,
    const QStringList &environment, int priority, int policy)
{
    const QString driver = binFolder + QStringLiteral("/suprocessdriver");
    QStringList arguments = QStringList { QStringLiteral("/usr/bin/env"),
        QLatin1String("PATH=") + binFolder + QLatin1String(":/usr/sbin:/usr/bin:/sbin:/bin") }
        + environment
        + QStringList { driver, QString::fromLatin1(tool), user, QString::number(mode),
              QString::fromLocal8Bit(command), QString::number(priority), QString::number(policy) };
    // runuser asks for no password: su or sudo, started by the driver, are the ones that ask.
    if (!caller.isNull())
        arguments = QStringList {
            QStringLiteral("/usr/sbin/runuser"), QStringLiteral("-u"), caller, QStringLiteral("--")
        } + arguments;

    DriverRun run;
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setWorkingDirectory(outFolder);
    const QString program = arguments.takeFirst();
    process.start(program, arguments);
    process.write(password + '\n');
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        qWarning("driver: %s", qPrintable(process.errorString()));
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.milliseconds = timer.elapsed();
    const QByteArray report = process.readAllStandardError();
    for (const QByteArray &line : report.split('\n')) {
        if (line.startsWith("result "))
            run.result = line.mid(7).toInt();
        else if (line.startsWith("wiped "))
            run.wiped = line.endsWith("yes");
        else if (line.startsWith("reaped "))
            run.reaped = line.endsWith("yes");
        else if (line.startsWith("dumpable "))
            run.dumpable = line.endsWith("yes");
        else if (line.startsWith("last "))
            run.lastLine = line.mid(5);
    }
    if (run.result == TimedOut)
        qWarning("driver: %s", report.constData());
    return run;
}

void SuProcessTest::suWithThePassword()
{
    if (!realSwitchingPossible())
        return;
    const DriverRun run = runDriver("su", otherUser, SuProcess::RunCommand,
        "id -un > '" + outFile("who") + "'; exit 7", accounts->password(otherUser));
    QCOMPARE(run.result, 7);
    QVERIFY(run.wiped);
    QVERIFY(!run.dumpable); // while the password was in its memory
    QCOMPARE(fileContent(outPath("who")), otherUser.toLatin1() + '\n');
}

void SuProcessTest::wrongPassword_data()
{
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QString>("user");
    QTest::newRow("su") << QByteArray("su") << otherUser;
    QTest::newRow("sudo") << QByteArray("sudo") << QStringLiteral("root");
}

void SuProcessTest::wrongPassword()
{
    QFETCH(QByteArray, tool);
    QFETCH(QString, user);
    if (!realSwitchingPossible())
        return;
    ThrowAwayAccounts::forgetSudoAuthentication();
    const DriverRun run = runDriver(
        tool, user, SuProcess::RunCommand, "touch '" + outFile("ran") + "'", "not the password");
    QCOMPARE(run.result, int(SuProcess::SwitchRefused));
    QVERIFY(run.wiped);
    QVERIFY(run.reaped);
    QVERIFY(!QFile::exists(outPath("ran")));
    qInfo("a wrong password blocks %s for %.2f s", tool.constData(), run.milliseconds / 1000.0);
}

void SuProcessTest::sudoWithThePassword()
{
    if (!realSwitchingPossible())
        return;
    ThrowAwayAccounts::forgetSudoAuthentication();
    // sudo runs the companion on an inner terminal that the companion quietens itself.
    const DriverRun run = runDriver("sudo", QStringLiteral("root"), SuProcess::RunCommand,
        "id -un > '" + outFile("who") + "'; exit 6", accounts->password(switchingUser));
    QCOMPARE(run.result, 6);
    QVERIFY(run.wiped);
    QCOMPARE(fileContent(outPath("who")), QByteArray("root\n"));
}

void SuProcessTest::verifyRunsNothing_data()
{
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QString>("user");
    QTest::newRow("su") << QByteArray("su") << otherUser;
    QTest::newRow("sudo") << QByteArray("sudo") << QStringLiteral("root");
}

void SuProcessTest::verifyRunsNothing()
{
    QFETCH(QByteArray, tool);
    QFETCH(QString, user);
    if (!realSwitchingPossible())
        return;
    ThrowAwayAccounts::forgetSudoAuthentication();
    const QByteArray password = accounts->password(tool == "su" ? otherUser : switchingUser);
    const DriverRun run = runDriver(
        tool, user, SuProcess::VerifyOnly, "touch '" + outFile("ran") + "'; exit 5", password);
    QCOMPARE(run.result, int(SuProcess::SwitchOk));
    QVERIFY(run.reaped);
    QVERIFY(run.dumpable); // the dialog's own process stays as it was
    QVERIFY(!QFile::exists(outPath("ran")));
}

void SuProcessTest::rootIsNotAsked_data()
{
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QString>("user");
    QTest::newRow("su to root") << QByteArray("su") << QStringLiteral("root");
    QTest::newRow("su to another user") << QByteArray("su") << otherUser;
    QTest::newRow("sudo to root") << QByteArray("sudo") << QStringLiteral("root");
}

void SuProcessTest::rootIsNotAsked()
{
    QFETCH(QByteArray, tool);
    QFETCH(QString, user);
    if (!realSwitchingPossible())
        return;
    // Whatever root would be asked to type could not be the password: it is no password.
    const DriverRun run = runDriver(tool, user, SuProcess::RunCommand,
        "id -un > '" + outFile("who") + "'; exit 9", "no password", QString());
    QCOMPARE(run.result, 9);
    QCOMPARE(fileContent(outPath("who")), user.toLatin1() + '\n');
}

void SuProcessTest::realtimeSchedulingReachesTheCommand()
{
    if (!realSwitchingPossible())
        return;
    if (!runAdmin(QStringLiteral("chrt"),
            { QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("true") }))
        QSKIP("this system does not grant real-time scheduling");
    const DriverRun run = runDriver("sudo", QStringLiteral("root"), SuProcess::RunCommand,
        "chrt -p $$ > '" + outFile("sched") + "'", "", QString(), {}, 12,
        StubProcess::SchedulingRealtime);
    QCOMPARE(run.result, 0);
    const QByteArray scheduling = fileContent(outPath("sched"));
    QVERIFY2(scheduling.contains("policy: SCHED_FIFO\n"), scheduling.constData());
    QVERIFY2(scheduling.contains("priority: 12\n"), scheduling.constData());
}

void SuProcessTest::raisedPriorityReachesTheCommand()
{
    if (!realSwitchingPossible())
        return;
    const DriverRun run = runDriver("su", QStringLiteral("root"), SuProcess::RunCommand,
        "ps -o ni= -p $$ > '" + outFile("nice") + "'", "", QString(), {}, -5);
    QCOMPARE(run.result, 0);
    QCOMPARE(fileContent(outPath("nice")).trimmed(), QByteArray("-5"));
}

void SuProcessTest::hostileEnvironmentStaysBehind()
{
    if (!realSwitchingPossible())
        return;
    // With xtrace, the target's shell would expand PS4 as it starts the companion.
    const DriverRun run = runDriver("su", otherUser, SuProcess::RunCommand,
        "env > '" + outFile("env") + "'", accounts->password(otherUser), switchingUser,
        { QStringLiteral("SHELLOPTS=xtrace"),
            QLatin1String("PS4=$(touch ") + outPath("ran") + QLatin1Char(')'),
            QStringLiteral("PYTHONPATH=/tmp"), QStringLiteral("XDG_CONFIG_HOME=/tmp"),
            QStringLiteral("LANG=C.UTF-8") });
    QCOMPARE(run.result, 0);
    QVERIFY(!QFile::exists(outPath("ran")));
    const QList<QByteArray> environment = fileContent(outPath("env")).split('\n');
    QVERIFY(environment.contains("LANG=C.UTF-8"));
    for (const QByteArray &entry : environment) {
        for (const char *name : { "SHELLOPTS=", "PS4=", "PYTHONPATH=", "XDG_CONFIG_HOME=" })
            QVERIFY2(!entry.startsWith(name), entry.constData());
    }
}

void SuProcessTest::companionPathIsOneWord_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::newRow("blank") << QStringLiteral("with blank");
    QTest::newRow("shell syntax") << QStringLiteral("q;id>file;");
}

void SuProcessTest::companionPathIsOneWord()
{
    QFETCH(QString, folderName);
    if (!realSwitchingPossible())
        return;
    const QString folder = binFolder + QLatin1Char('/') + folderName;
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(folder,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
            | QFile::ExeOther));
    QVERIFY(
        QFile::copy(binFolder + QStringLiteral("/tavrine"), folder + QStringLiteral("/tavrine")));
    const DriverRun run = runDriver("su", otherUser, SuProcess::RunCommand,
        "id -un > '" + outFile("who") + "'", accounts->password(otherUser), switchingUser,
        { QLatin1String("PATH=") + folder + QLatin1String(":/usr/sbin:/usr/bin:/sbin:/bin") });
    QDir(folder).removeRecursively();
    QCOMPARE(run.result, 0);
    QCOMPARE(fileContent(outPath("who")), otherUser.toLatin1() + '\n');
    // The shell ran the companion and nothing else: "id>file" would have written here.
    QVERIFY(!QFile::exists(outPath("file")));
}

void SuProcessTest::refusalsSayWhy_data()
{
    QTest::addColumn<QByteArray>("tool");
    QTest::addColumn<QString>("caller");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QByteArray>("lastLine");
    QTest::newRow("closed account") << QByteArray("su") << switchingUser << closedUser
                                    << QByteArray("This account is currently not available.");
    QTest::newRow("expired password")
        << QByteArray("su") << switchingUser << expiredUser
        << "You are required to change your password immediately (administrator enforced). "
           "Changing password for "
            + expiredUser.toLatin1();
    QTest::newRow("not in sudoers") << QByteArray("sudo") << otherUser << QStringLiteral("root")
                                    << otherUser.toLatin1() + " is not in the sudoers file";
}

void SuProcessTest::refusalsSayWhy()
{
    QFETCH(QByteArray, tool);
    QFETCH(QString, caller);
    QFETCH(QString, user);
    QFETCH(QByteArray, lastLine);
    if (!realSwitchingPossible())
        return;
    ThrowAwayAccounts::forgetSudoAuthentication();
    // The right password: su asks for the target's, sudo for the caller's.
    const QByteArray password = accounts->password(tool == "su" ? user : caller);
    const DriverRun run = runDriver(tool, user, SuProcess::VerifyOnly, "true", password, caller);
    QCOMPARE(run.result, int(SuProcess::SwitchDenied));
    QVERIFY(run.reaped);
    QVERIFY2(run.lastLine.startsWith(lastLine), run.lastLine.constData());
}

QTEST_GUILESS_MAIN(SuProcessTest)
#include "tst_suprocess.moc"
