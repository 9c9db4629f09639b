// SPDX-License-Identifier: GPL-2.0-or-later
#include "su/ptyprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>

#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int startShell(PtyProcess &process, const QByteArray &script)
{
    return process.startChild(QByteArrayLiteral("sh"), { QByteArrayLiteral("-c"), script });
}

// Every line until the terminal closes.
QList<QByteArray> remainingLines(PtyProcess &process)
{
    QList<QByteArray> lines;
    for (QByteArray line = process.nextLine(true); !line.isNull(); line = process.nextLine(true))
        lines.append(line);
    return lines;
}

qint64 cpuMilliseconds()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

QStringList descriptorsOf(const QString &processDirectory)
{
    return QDir(processDirectory + QStringLiteral("/fd"))
        .entryList(QDir::Files | QDir::System, QDir::Name);
}

// Standard output redirected into a file while it lives.
class CapturedOutput
{
public:
    CapturedOutput()
    {
        file.open();
        fflush(stdout);
        savedOutput = dup(STDOUT_FILENO);
        dup2(file.handle(), STDOUT_FILENO);
    }
    ~CapturedOutput() { restore(); }

    QByteArray restore()
    {
        if (savedOutput >= 0) {
            fflush(stdout);
            dup2(savedOutput, STDOUT_FILENO);
            close(savedOutput);
            savedOutput = -1;
        }
        file.seek(0);
        return file.readAll();
    }

private:
    QTemporaryFile file;
    int savedOutput = -1;
};

} // namespace

class PtyProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutTerminal();
    void promptWithoutLineBreak();
    void twoLinesInOneChunk();
    void emptyAndNullLines();
    void pushedBackLines();
    void nonBlockingReadOnEmptyTerminal();
    void sendLine();
    void commandNotOnSearchPath();
    void childEnvironment();
    void childTerminalAndArguments();
    void parentDescriptorsDoNotLeak();
    void restartReplacesTerminal();
    void failingTerminalIsReported();
    void waitForEchoOff();
    void waitForEchoOffWhenChildDies();
    void drainExitCode_data();
    void drainExitCode();
    void drainKilledChild();
    void mirrorKeepsEveryByte();
    void mirrorOfSilentChild();
    void pollExitOfForeignPid();
    void repeatedRunsLeakNoDescriptor();
    void clocksAndCancelEndEveryWait();
    void wipeBytesOverwritesTheWholeSharedBlock();
};

void PtyProcessTest::withoutTerminal()
{
    PtyProcess process;
    QCOMPARE(process.terminalFd(), -1);
    QCOMPARE(process.setTerminalEcho(false), 0);
    QVERIFY(process.readAvailable(false).isNull());
    QVERIFY(process.nextLine(true).isNull());
    QCOMPARE(process.waitForEchoOff(), -1);
    QCOMPARE(PtyProcess::waitReadable(-1, 10), -1);
    QVERIFY(!process.isAlive(0));
    QVERIFY(!process.isAlive(-1));
}

void PtyProcessTest::promptWithoutLineBreak()
{
    PtyProcess process;
    QCOMPARE(startShell(process, "printf 'Password: '; read answer"), 0);
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("Password: "));
    QVERIFY(process.nextLine(false).isNull());
    process.sendLine(QByteArrayLiteral("x"));
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::twoLinesInOneChunk()
{
    PtyProcess process;
    QCOMPARE(startShell(process, "printf 'one\\ntwo\\n'; sleep 5"), 0);
    QVERIFY(PtyProcess::waitReadable(process.terminalFd(), 900) > 0);
    QTest::qWait(50);

    QCOMPARE(process.nextLine(true), QByteArrayLiteral("one"));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("two"));
    QVERIFY(process.nextLine(false).isNull());
    QVERIFY(timer.elapsed() < 1000);

    kill(process.childPid(), SIGKILL);
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::emptyAndNullLines()
{
    PtyProcess process;
    QCOMPARE(startShell(process, "printf 'a\\n\\nb\\n'"), 0);
    const QList<QByteArray> lines = remainingLines(process);
    QCOMPARE(lines, QList<QByteArray>({ "a", "", "b" }));
    QVERIFY(!lines.at(1).isNull());
    // The closed terminal keeps answering with null.
    QVERIFY(process.nextLine(true).isNull());
    QVERIFY(process.readAvailable(true).isNull());
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::pushedBackLines()
{
    PtyProcess process;
    process.setTerminalEcho(false);
    QCOMPARE(startShell(process, "read answer; printf 'def\\n'; read answer"), 0);

    process.pushBackLine(QByteArrayLiteral("tavrine"));
    QCOMPARE(process.nextLine(false), QByteArrayLiteral("tavrine"));
    process.pushBackLine(QByteArray());
    const QByteArray empty = process.nextLine(false);
    QVERIFY(empty.isEmpty() && !empty.isNull());
    process.pushBackLine(QByteArray(), false);
    QVERIFY(process.nextLine(false).isNull());

    // Pushed back in front of what the child writes next, even without its "\n".
    process.pushBackLine(QByteArrayLiteral("second"));
    process.pushBackLine(QByteArrayLiteral("abc"), false);
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("abcsecond"));
    process.sendLine(QByteArrayLiteral("go"));
    QVERIFY(PtyProcess::waitReadable(process.terminalFd(), 900) > 0);
    process.pushBackLine(QByteArrayLiteral("abc"), false);
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("abcdef"));

    process.sendLine(QByteArrayLiteral("bye"));
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::nonBlockingReadOnEmptyTerminal()
{
    PtyProcess process;
    QCOMPARE(startShell(process, "read answer"), 0);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(process.readAvailable(false).isNull());
    QVERIFY(process.nextLine(false).isNull());
    QCOMPARE(PtyProcess::waitReadable(process.terminalFd(), 50), 0);
    QVERIFY(timer.elapsed() < 500);
    process.sendLine(QByteArray());
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::sendLine()
{
    PtyProcess process;
    process.setTerminalEcho(false);
    QCOMPARE(startShell(process, "while read line; do echo \"[$line]\"; done"), 0);
    process.sendLine(QByteArrayLiteral("plain"));
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("[plain]"));
    process.sendLine(QByteArray());
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("[]"));
    process.sendLine(QByteArrayLiteral("ab"), false);
    process.sendLine(QByteArrayLiteral("cd"));
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("[abcd]"));
    process.sendLine(QByteArrayLiteral("\x04"), false); // end of input
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::commandNotOnSearchPath()
{
    PtyProcess process;
    QCOMPARE(process.startChild(QByteArrayLiteral("kav-no-such-command-here"), {}), 0);
    QVERIFY(process.childPid() > 0);
    QVERIFY(process.nextLine(true).isNull());
    QCOMPARE(process.drainUntilExit(), 1);

    QCOMPARE(process.startChild(QByteArrayLiteral("/nonexistent/kav-program"), {}), 0);
    QCOMPARE(process.drainUntilExit(), 1);
}

void PtyProcessTest::childEnvironment()
{
    qputenv("SESSION_MANAGER", "local/host:@/tmp/.ICE-unix/1");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/run/user/0/bus");
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("KAV_PTY_MARK", "kept");

    PtyProcess process;
    const int started = process.startChild(QByteArrayLiteral("env"), {});
    qunsetenv("SESSION_MANAGER");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("LC_ALL");
    qunsetenv("KAV_PTY_MARK");
    QCOMPARE(started, 0);

    const QList<QByteArray> environment = remainingLines(process);
    QCOMPARE(process.drainUntilExit(), 0);
    QVERIFY(environment.contains("KAV_PTY_MARK=kept"));
    QCOMPARE(environment.count("LC_ALL=C"), 1);
    for (const QByteArray &entry : environment) {
        QVERIFY2(!entry.startsWith("SESSION_MANAGER="), entry.constData());
        QVERIFY2(!entry.startsWith("DBUS_SESSION_BUS_ADDRESS="), entry.constData());
        QVERIFY2(!entry.startsWith("LC_ALL=") || entry == "LC_ALL=C", entry.constData());
    }
    // The parent's own environment is left alone.
    QVERIFY(!qEnvironmentVariableIsSet("SESSION_MANAGER"));
}

// The terminal is the child's controlling terminal and its three standard streams, it
// writes lines without carriage returns, SIGHUP is ignored, no signal stays blocked, and
// argument 0 is the found path.
void PtyProcessTest::childTerminalAndArguments()
{
    signal(SIGUSR1, SIG_IGN);
    PtyProcess process;
    const int started = startShell(process,
        "tty; echo controlling > /dev/tty; echo error >&2;"
        // The shell reads its own masks itself: while it waits for a child it may block
        // every signal for a moment, which another process could catch it doing.
        " while read -r l; do case $l in SigBlk*|SigIgn*) echo \"$l\";; esac; done < "
        "/proc/$$/status;"
        " echo \"$(tr '\\0' ' ' < /proc/$$/cmdline)\"");
    signal(SIGUSR1, SIG_DFL);
    QCOMPARE(started, 0);

    QList<QByteArray> lines = remainingLines(process);
    QCOMPARE(process.drainUntilExit(), 0);
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.takeAt(3), QByteArrayLiteral("SigBlk:\t0000000000000000"));
    QCOMPARE(lines.at(0), QByteArray(ptsname(process.terminalFd())));
    QCOMPARE(lines.at(1), QByteArrayLiteral("controlling"));
    QCOMPARE(lines.at(2), QByteArrayLiteral("error"));
    // Only SIGHUP (bit 0) is ignored; the parent's ignored SIGUSR1 is not inherited.
    // Signals 32 and 33 are the C library's own, which no program using it can reset:
    // they stay as the caller left them, ignored in some build environments.
    const quint64 libraryOwn = quint64(3) << 31;
    const quint64 ignored =
        lines.at(3).mid(lines.at(3).indexOf(':') + 1).trimmed().toULongLong(nullptr, 16);
    QCOMPARE(ignored & ~libraryOwn, quint64(1));
    const QByteArray shell = QStandardPaths::findExecutable(QStringLiteral("sh")).toLocal8Bit();
    QVERIFY(shell.startsWith('/'));
    QVERIFY2(lines.at(4).startsWith(shell + " -c tty;"), lines.at(4).constData());
}

void PtyProcessTest::parentDescriptorsDoNotLeak()
{
    const int plain = open("/dev/null", O_RDONLY);
    int pipeEnds[2];
    QCOMPARE(pipe(pipeEnds), 0);
    const int high = fcntl(plain, F_DUPFD, 900);
    QVERIFY(plain > 2 && high >= 900);

    PtyProcess process;
    process.setTerminalEcho(false);
    const int started = process.startChild(QByteArrayLiteral("cat"), {});
    close(plain);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    close(high);
    QCOMPARE(started, 0);

    process.sendLine(QByteArrayLiteral("ping"));
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("ping"));
    const QString child = QStringLiteral("/proc/%1").arg(process.childPid());
    QCOMPARE(descriptorsOf(child),
        QStringList({ QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2") }));

    process.sendLine(QByteArrayLiteral("\x04"), false);
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::restartReplacesTerminal()
{
    PtyProcess process;
    QCOMPARE(startShell(process, "echo first"), 0);
    QCOMPARE(process.drainUntilExit(), 0);
    const pid_t firstChild = process.childPid();

    process.pushBackLine(QByteArrayLiteral("stale"));
    QCOMPARE(startShell(process, "echo second"), 0);
    QVERIFY(process.childPid() != firstChild);
    QCOMPARE(remainingLines(process), QList<QByteArray>({ "second" }));
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::failingTerminalIsReported()
{
    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
    QList<int> fillers;
    struct rlimit tight = saved;
    tight.rlim_cur = 64;
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
    for (int fd = open("/dev/null", O_RDONLY); fd >= 0; fd = open("/dev/null", O_RDONLY))
        fillers.append(fd);

    PtyProcess process;
    const int started = startShell(process, "exit 0");
    const int terminal = process.terminalFd();
    for (int fd : fillers)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);

    QCOMPARE(started, -1);
    QCOMPARE(terminal, -1);
    // The closed terminal stays in place: echo cannot be changed on it.
    QCOMPARE(process.setTerminalEcho(true), -1);
}

void PtyProcessTest::waitForEchoOff()
{
    PtyProcess process;
    QCOMPARE(startShell(process, "sleep 0.3; stty -echo; echo off; read answer"), 0);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(process.waitForEchoOff(), 0);
    QVERIFY(timer.elapsed() >= 250);
    QCOMPARE(process.nextLine(true), QByteArrayLiteral("off"));
    // With echo off, a typed secret does not come back.
    process.sendLine(QByteArrayLiteral("secret"));
    QVERIFY(!remainingLines(process).contains("secret"));
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::waitForEchoOffWhenChildDies()
{
    PtyProcess process;
    QCOMPARE(startShell(process, "sleep 0.2; exit 3"), 0);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(process.waitForEchoOff(), -1);
    QVERIFY(timer.elapsed() < 5000);
    // Waiting for echo does not reap: the exit status is still there.
    QCOMPARE(process.drainUntilExit(), 3);
    QCOMPARE(process.waitForEchoOff(), -1);
}

void PtyProcessTest::drainExitCode_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("success") << QByteArrayLiteral("exit 0") << 0;
    QTest::newRow("failure") << QByteArrayLiteral("echo failing; exit 1") << 1;
    QTest::newRow("42 after output") << QByteArrayLiteral("seq 1 2000; exit 42") << 42;
    QTest::newRow("killed by a signal") << QByteArrayLiteral("kill -KILL $$") << 0;
    QTest::newRow("terminal closed, still running")
        << QByteArrayLiteral("exec 0<&- 1>&- 2>&-; sleep 1; exit 5") << 5;
}

void PtyProcessTest::drainExitCode()
{
    QFETCH(QByteArray, script);
    QFETCH(int, exitCode);
    PtyProcess process;
    QCOMPARE(startShell(process, script), 0);
    const qint64 cpuBefore = cpuMilliseconds();
    QCOMPARE(process.drainUntilExit(), exitCode);
    // Waiting costs no processor time, also on a terminal that has hung up.
    QVERIFY(cpuMilliseconds() - cpuBefore < 300);
    // Reaped: a second drain finds no child.
    QCOMPARE(PtyProcess::pollExit(process.childPid()), -1);
    QCOMPARE(process.drainUntilExit(), 0);
}

void PtyProcessTest::drainKilledChild()
{
    PtyProcess process;
    const QList<QByteArray> arguments = { QByteArrayLiteral("10") };
    QCOMPARE(process.startChild(QByteArrayLiteral("sleep"), arguments), 0);
    QVERIFY(process.isAlive(process.childPid()));
    QCOMPARE(PtyProcess::pollExit(process.childPid()), -2);
    kill(process.childPid(), SIGKILL);
    QCOMPARE(process.drainUntilExit(), 0);
    QVERIFY(!process.isAlive(process.childPid()));

    // Sent at once, before the child can have reset the handlers it inherited from us.
    for (int run = 0; run < 20; ++run) {
        QCOMPARE(process.startChild(QByteArrayLiteral("sleep"), arguments), 0);
        kill(process.childPid(), SIGTERM);
        QCOMPARE(process.drainUntilExit(), 0);
    }
}

void PtyProcessTest::mirrorKeepsEveryByte()
{
    QByteArray content(1024 * 1024, Qt::Uninitialized);
    for (int i = 0; i < content.size(); ++i)
        content[i] = char((i * 31 + i / 7) & 0xff);
    content[100] = '\0';
    QTemporaryFile source;
    QVERIFY(source.open());
    source.write(content);
    source.flush();

    PtyProcess process;
    process.setMirrorOutput(true);
    QCOMPARE(process.startChild(QByteArrayLiteral("cat"), { source.fileName().toLocal8Bit() }), 0);
    CapturedOutput output;
    const int exitCode = process.drainUntilExit();
    const QByteArray mirrored = output.restore();
    QCOMPARE(exitCode, 0);
    QCOMPARE(mirrored.size(), content.size());
    QVERIFY(mirrored == content);
}

void PtyProcessTest::mirrorOfSilentChild()
{
    PtyProcess process;
    process.setMirrorOutput(true);
    QCOMPARE(process.startChild(QByteArrayLiteral("true"), {}), 0);
    CapturedOutput silent;
    QCOMPARE(process.drainUntilExit(), 0);
    QCOMPARE(silent.restore(), QByteArray());

    process.setMirrorOutput(false);
    QCOMPARE(startShell(process, "echo not mirrored"), 0);
    CapturedOutput unmirrored;
    QCOMPARE(process.drainUntilExit(), 0);
    QCOMPARE(unmirrored.restore(), QByteArray());
}

// Process group and "any child" pids must never reap some other child.
void PtyProcessTest::pollExitOfForeignPid()
{
    const pid_t other = fork();
    QVERIFY(other >= 0);
    if (other == 0)
        _exit(7);
    QTest::qWait(50);
    QCOMPARE(PtyProcess::pollExit(-1), -1);
    QCOMPARE(PtyProcess::pollExit(0), -1);
    PtyProcess process;
    QCOMPARE(process.drainUntilExit(), -1); // no terminal to watch
    QCOMPARE(PtyProcess::pollExit(other), 7);
}

void PtyProcessTest::repeatedRunsLeakNoDescriptor()
{
    const QString self = QStringLiteral("/proc/self");
    const int before = descriptorsOf(self).size();
    PtyProcess process;
    process.setTerminalEcho(false);
    for (int run = 0; run < 1000; ++run) {
        QCOMPARE(process.startChild(QByteArrayLiteral("head"), { QByteArrayLiteral("-n1") }), 0);
        process.sendLine(QByteArrayLiteral("ping"));
        QCOMPARE(process.nextLine(true), QByteArrayLiteral("ping"));
        QCOMPARE(process.drainUntilExit(), 0);
    }
    // The last terminal is still open until the process object goes.
    QCOMPARE(descriptorsOf(self).size(), before + 1);
}

// A child that neither reads nor writes holds no wait beyond the clocks or a cancel.
void PtyProcessTest::clocksAndCancelEndEveryWait()
{
    PtyProcess::setProgressTimeout(300);
    PtyProcess::setOverallTimeout(600);
    PtyProcess process;
    // Without line editing, which would drop what does not fit rather than wait.
    QCOMPARE(startShell(process, "stty -icanon -echo; echo; exec sleep 30"), 0);
    QVERIFY(!process.nextLine(true).isNull());
    QElapsedTimer timer;
    timer.start();
    process.startProgressClock();
    QVERIFY(!process.sendLine(QByteArray(100000, 'x'))); // the terminal fills up
    QVERIFY(process.progressClockRanOut());
    process.startProgressClock();
    for (int step = 0; step < 4; ++step) {
        QThread::msleep(200);
        process.noteProgress(); // progress, but not beyond the overall clock
    }
    QVERIFY(process.nextLine(true).isNull());
    QVERIFY(timer.elapsed() < 3000);
    PtyProcess::setProgressTimeout(25000);
    PtyProcess::setOverallTimeout(60000);

    // Without clocks, from another thread.
    process.stopProgressClock();
    timer.restart();
    std::thread canceller([&process] {
        QThread::msleep(200);
        process.cancel();
    });
    QVERIFY(process.nextLine(true).isNull());
    canceller.join();
    QVERIFY(timer.elapsed() < 2000);
    QCOMPARE(process.setTerminalEcho(true), 0);
    QCOMPARE(process.waitForEchoOff(), -2);
    QCOMPARE(process.drainUntilExit(), -1);
    // Reaping heeds no cancel.
    kill(process.childPid(), SIGKILL);
    QVERIFY(process.reapChild(5000));
    QCOMPARE(PtyProcess::pollExit(process.childPid()), -1);
    QVERIFY(timer.elapsed() < 3000);
}

// A password's bytes go from every copy that shares them, the bytes cut off
// its end included; bytes that are not ours (a literal, raw data) stay.
void PtyProcessTest::wipeBytesOverwritesTheWholeSharedBlock()
{
    QByteArray password("secret and its cut-off tail");
    password.chop(18);
    const QByteArray sharer = password;
    PtyProcess::wipeBytes(password);
    QVERIFY(password.isEmpty());
    QCOMPARE(QByteArray::fromRawData(sharer.constData(), int(sharer.capacity())),
        QByteArray(int(sharer.capacity()), '\0'));

    QByteArray literal = QByteArrayLiteral("literal");
    PtyProcess::wipeBytes(literal);
    QVERIFY(literal.isEmpty());
    const char raw[] = "raw";
    QByteArray rawBytes = QByteArray::fromRawData(raw, 3);
    PtyProcess::wipeBytes(rawBytes);
    QVERIFY(rawBytes.isEmpty());
    QCOMPARE(QByteArray(raw), QByteArray("raw"));
}

QTEST_GUILESS_MAIN(PtyProcessTest)
#include "tst_ptyprocess.moc"
