// SPDX-License-Identifier: GPL-2.0-or-later
#include "ptyprocess.h"

#include "core/findcommandexecutable.h"
#include "su/pseudoterminal.h"

#include <QDeadlineTimer>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace {

int progressTimeoutMs = 25000;
int overallTimeoutMs = 60000;
const int cancelSliceMs = 50;

// The executable to run, found on our PATH, which is also the child's; empty when not found.
QByteArray resolveExecutable(const QByteArray &command)
{
    if (command.contains('/'))
        return command;
    return findCommandExecutable(QString::fromLocal8Bit(command)).toLocal8Bit();
}

QList<QByteArray> ownEnvironment()
{
    QList<QByteArray> environment;
    for (char **entry = environ; entry && *entry; ++entry)
        environment.append(QByteArray(*entry));
    return environment;
}

// @p base without the desktop session's bus and session manager and without a start-up file
// for bash, in the C locale, so that the messages the child writes are the ones its driver
// expects.
QList<QByteArray> childEnvironment(const QList<QByteArray> &base)
{
    static const char *const dropped[] = {
        "SESSION_MANAGER=", "DBUS_SESSION_BUS_ADDRESS=", "BASH_ENV=", "LC_ALL="
    };
    QList<QByteArray> environment;
    for (const QByteArray &variable : base) {
        bool keep = true;
        for (const char *prefix : dropped)
            keep = keep && !variable.startsWith(prefix);
        if (keep)
            environment.append(variable);
    }
    environment.append(QByteArrayLiteral("LC_ALL=C"));
    return environment;
}

// A null-terminated vector of pointers into @p strings, which must outlive it.
std::vector<char *> pointerVector(const QList<QByteArray> &strings)
{
    std::vector<char *> pointers;
    pointers.reserve(strings.size() + 1);
    for (const QByteArray &string : strings)
        pointers.push_back(const_cast<char *>(string.constData()));
    pointers.push_back(nullptr);
    return pointers;
}

// kill() still reaches a child that has ended but is not reaped; look without reaping it.
bool hasEnded(pid_t pid)
{
    siginfo_t info;
    info.si_pid = 0;
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

} // namespace

struct PtyProcess::Private
{
    std::unique_ptr<PseudoTerminal> terminal;
    QByteArray inputBuffer;
    QByteArray lastLine;
    std::optional<QList<QByteArray>> childEnvironment;
    QDeadlineTimer progressDeadline { QDeadlineTimer::Forever };
    QDeadlineTimer overallDeadline { QDeadlineTimer::Forever };
    std::atomic<bool> cancelled { false };
    bool wantLocalEcho = true;

    /**
     * Waits at most @p timeoutMs (no limit when negative), and never beyond the
     * clocks, for @p events on @p fd.
     * @return true when they came (a hang-up counts), false on time-out, when a
     *         clock ran out or the wait was cancelled
     */
    bool waitFor(int fd, short events, int timeoutMs)
    {
        QDeadlineTimer limit = qMin(progressDeadline, overallDeadline);
        if (timeoutMs >= 0)
            limit = qMin(limit, QDeadlineTimer(timeoutMs));
        for (;;) {
            if (cancelled)
                return false;
            // In slices, so that a cancel() from another thread is seen at once.
            const qint64 remaining = limit.remainingTime();
            const int slice =
                remaining < 0 ? cancelSliceMs : int(qMin<qint64>(remaining, cancelSliceMs));
            struct pollfd request = { fd, events, 0 };
            const int ready = poll(&request, 1, slice);
            if (ready > 0)
                return !cancelled;
            if ((ready < 0 && errno != EINTR) || limit.hasExpired())
                return false;
        }
    }
};

PtyProcess::PtyProcess()
    : d(std::make_unique<Private>())
{ }

// Out of line, where Private is complete.
PtyProcess::~PtyProcess() = default;

bool PtyProcess::isAlive(pid_t pid)
{
    // kill() with 0 or a negative pid would probe whole process groups
    return pid > 0 && kill(pid, 0) == 0;
}

void PtyProcess::extensionHook() { }

int PtyProcess::terminalFd() const
{
    return d->terminal ? d->terminal->masterDescriptor() : -1;
}

pid_t PtyProcess::childPid() const
{
    return pid;
}

void PtyProcess::setMirrorOutput(bool mirror)
{
    mirrorOutput = mirror;
}

void PtyProcess::setWipePassword(bool wipe)
{
    wipePassword = wipe;
}

int PtyProcess::setTerminalEcho(bool enable)
{
    d->wantLocalEcho = enable;
    if (!d->terminal)
        return 0;
    return d->terminal->setSlaveEcho(enable) ? 0 : -1;
}

int PtyProcess::openTerminal()
{
    d->terminal.reset();
    d->terminal = std::make_unique<PseudoTerminal>();
    if (!d->terminal->openPair())
        return -1;
    // Reads and writes never block: the waits poll, so that the clocks and cancel() hold.
    const int master = d->terminal->masterDescriptor();
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    if (!d->wantLocalEcho)
        setTerminalEcho(false);
    d->inputBuffer.clear();
    return 0;
}

void PtyProcess::setChildEnvironment(const std::optional<QList<QByteArray>> &environment)
{
    d->childEnvironment = environment;
}

int PtyProcess::startChild(const QByteArray &command, const QList<QByteArray> &arguments)
{
    if (openTerminal() < 0)
        return -1;

    // The caller may be a multithreaded GUI process: everything that allocates or takes
    // a lock happens here, so that the child only makes async-signal-safe calls.
    const QByteArray executable = resolveExecutable(command);
    const QList<QByteArray> argumentList = QList<QByteArray>() << executable << arguments;
    std::vector<char *> argv = pointerVector(argumentList);
    const QList<QByteArray> environment =
        childEnvironment(d->childEnvironment.value_or(ownEnvironment()));
    std::vector<char *> envp = pointerVector(environment);

    // A signal that reached the child before its dispositions are reset would run one of
    // our handlers there; held back, it arrives once the child has the default ones.
    sigset_t allSignals;
    sigset_t previousMask;
    sigfillset(&allSignals);
    pthread_sigmask(SIG_SETMASK, &allSignals, &previousMask);
    pid = fork();
    if (pid != 0) {
        pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
        if (pid < 0)
            return -1;
        d->terminal->closeSlaveSide();
        return 0;
    }

    if (prepareChildTerminal() < 0 || executable.isEmpty())
        _exit(1);
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    execve(executable.constData(), argv.data(), envp.data());
    _exit(1);
}

int PtyProcess::prepareChildTerminal()
{
    if (!d->terminal)
        return -1;
    for (int signalNumber = 1; signalNumber <= 64; ++signalNumber)
        signal(signalNumber, SIG_DFL);
    signal(SIGHUP, SIG_IGN);

    d->terminal->makeControllingTerminal();
    const int slave = d->terminal->slaveDescriptor();
    dup2(slave, STDIN_FILENO);
    dup2(slave, STDOUT_FILENO);
    dup2(slave, STDERR_FILENO);
    closeDescriptorsFrom(STDERR_FILENO + 1);

    // Without output processing a "\n" reaches the driver as one byte, not "\r\n".
    struct termios attributes;
    if (tcgetattr(STDIN_FILENO, &attributes) < 0)
        return -1;
    attributes.c_oflag &= ~OPOST;
    return tcsetattr(STDIN_FILENO, TCSANOW, &attributes) < 0 ? -1 : 0;
}

QByteArray PtyProcess::readAvailable(bool block)
{
    QByteArray result;
    if (!d->inputBuffer.isEmpty()) {
        result.swap(d->inputBuffer);
        block = false; // buffered text is never held back by a blocking read
    }

    const int fd = terminalFd();
    if (fd < 0 || (block && !waitForOutput(-1)))
        return result;

    char chunk[255];
    ssize_t count;
    do {
        count = read(fd, chunk, sizeof chunk);
    } while (count < 0 && errno == EINTR);
    // The whole chunk is kept, zero bytes included: mirrored output loses nothing.
    if (count > 0) {
        result.append(chunk, int(count));
        // It may be a password that came back.
        explicit_bzero(chunk, size_t(count));
    }
    return result;
}

QByteArray PtyProcess::nextLine(bool block)
{
    // A whole line already read comes first: reading on for every line would let a flood grow
    // the buffer without end.
    if (!d->inputBuffer.contains('\n'))
        d->inputBuffer = readAvailable(block);
    if (d->inputBuffer.isEmpty())
        return QByteArray();

    QByteArray line;
    const int newline = d->inputBuffer.indexOf('\n');
    if (newline < 0) {
        line.swap(d->inputBuffer); // a partial line, such as a prompt
    } else {
        // Constructed from the data so that an empty line stays non-null.
        line = QByteArray(d->inputBuffer.constData(), newline);
        d->inputBuffer.remove(0, newline + 1);
    }
    const QByteArray shown = line.trimmed();
    if (!shown.isEmpty())
        d->lastLine = shown;
    return line;
}

bool PtyProcess::sendLine(const QByteArray &line, bool appendNewline)
{
    const int fd = terminalFd();
    // The line and its end in two writes, as a person would type them.
    for (const QByteArray &part :
        { line, appendNewline ? QByteArrayLiteral("\n") : QByteArray() }) {
        for (qsizetype written = 0; written < part.size();) {
            const ssize_t count =
                write(fd, part.constData() + written, size_t(part.size() - written));
            if (count > 0)
                written += count;
            else if (count == 0 || (errno != EINTR && errno != EAGAIN))
                return false;
            else if (errno == EAGAIN && !d->waitFor(fd, POLLOUT, -1))
                return false;
        }
    }
    return true;
}

void PtyProcess::pushBackLine(const QByteArray &line, bool appendNewline)
{
    QByteArray copy = line;
    if (appendNewline)
        copy.append('\n');
    if (!copy.isEmpty())
        d->inputBuffer.prepend(copy);
}

QByteArray PtyProcess::lastLine() const
{
    return d->lastLine;
}

void PtyProcess::setLastLine(const QByteArray &text)
{
    d->lastLine = text;
}

int PtyProcess::waitForEchoOff(int timeoutMs)
{
    const QDeadlineTimer limit =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    for (;;) {
        if (!isAlive(childPid()) || hasEnded(childPid()))
            return -1;
        struct termios attributes;
        if (!d->terminal || !d->terminal->getAttributes(&attributes))
            return -1;
        if (!(attributes.c_lflag & ECHO))
            return 0;
        if (limit.hasExpired() || progressClockRanOut() || isCancelled())
            return -2;
        d->waitFor(-1, 0, 10);
    }
}

int PtyProcess::drainUntilExit()
{
    const int fd = terminalFd();
    if (fd < 0)
        return -1;
    bool hungUp = false;
    int pauseMs = 1;
    for (;;) {
        if (progressClockRanOut() || isCancelled())
            return -1;
        if (hungUp) {
            // No output can come any more: only the end of the child is awaited, soon after
            // the hang-up in most cases, but perhaps hours later.
            d->waitFor(-1, 0, pauseMs);
            pauseMs = qMin(pauseMs * 2, 100);
        } else if (waitForOutput(100)) {
            for (QByteArray chunk = readAvailable(false); !chunk.isNull();
                 chunk = readAvailable(false)) {
                if (mirrorOutput) {
                    fwrite(chunk.constData(), 1, size_t(chunk.size()), stdout);
                    fflush(stdout);
                }
            }
            struct pollfd request = { fd, POLLIN, 0 };
            hungUp = poll(&request, 1, 0) > 0 && (request.revents & (POLLHUP | POLLERR | POLLNVAL));
        }

        const int exitCode = pollExit(childPid());
        if (exitCode == -1)
            return errno == ECHILD ? 0 : 1;
        if (exitCode == -3)
            return 0;
        if (exitCode != -2)
            return exitCode;
    }
}

bool PtyProcess::reapChild(int timeoutMs)
{
    const QDeadlineTimer limit(timeoutMs);
    for (int pauseMs = 1;; pauseMs = qMin(pauseMs * 2, 50)) {
        if (pollExit(childPid()) != -2)
            return true;
        if (limit.hasExpired())
            return false;
        usleep(useconds_t(pauseMs) * 1000);
    }
}

void PtyProcess::hangUp()
{
    d->terminal.reset();
}

void PtyProcess::setProgressTimeout(int ms)
{
    progressTimeoutMs = ms;
}

int PtyProcess::progressTimeout()
{
    return progressTimeoutMs;
}

void PtyProcess::setOverallTimeout(int ms)
{
    overallTimeoutMs = ms;
}

int PtyProcess::overallTimeout()
{
    return overallTimeoutMs;
}

void PtyProcess::startProgressClock()
{
    d->progressDeadline.setRemainingTime(progressTimeoutMs);
    d->overallDeadline.setRemainingTime(overallTimeoutMs);
}

void PtyProcess::noteProgress()
{
    if (!d->progressDeadline.isForever())
        d->progressDeadline.setRemainingTime(progressTimeoutMs);
}

void PtyProcess::stopProgressClock()
{
    d->progressDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
    d->overallDeadline = QDeadlineTimer(QDeadlineTimer::Forever);
}

bool PtyProcess::progressClockRanOut() const
{
    return d->progressDeadline.hasExpired() || d->overallDeadline.hasExpired();
}

void PtyProcess::cancel()
{
    d->cancelled = true;
}

bool PtyProcess::isCancelled() const
{
    return d->cancelled;
}

bool PtyProcess::waitForOutput(int timeoutMs)
{
    return d->waitFor(terminalFd(), POLLIN, timeoutMs);
}

void PtyProcess::wipeInput()
{
    wipeBytes(d->inputBuffer);
    wipeBytes(d->lastLine);
}

void PtyProcess::wipeBytes(QByteArray &bytes)
{
    // In place, not through data(), which would first copy bytes shared with another array, and
    // the whole block, which may still hold bytes removed from its front. A block of capacity 0
    // is not ours to write: a literal, or raw data.
    if (bytes.capacity() > 0)
        explicit_bzero(const_cast<char *>(bytes.constData()), size_t(bytes.capacity()));
    bytes.clear();
}

int PtyProcess::waitReadable(int fd, int ms)
{
    // poll() rather than select(): an fd_set cannot hold descriptors from FD_SETSIZE on.
    if (fd < 0) {
        errno = EBADF;
        return -1;
    }
    struct pollfd request = { fd, POLLIN, 0 };
    return poll(&request, 1, ms);
}

int PtyProcess::pollExit(pid_t pid)
{
    // waitpid() with 0 or a negative pid would reap some other child
    if (pid <= 0) {
        errno = ECHILD;
        return -1;
    }
    int status = 0;
    const pid_t result = waitpid(pid, &status, WNOHANG);
    if (result < 0)
        return -1;
    if (result != pid)
        return -2;
    if (!WIFEXITED(status))
        return -3;
    return WEXITSTATUS(status);
}

void PtyProcess::closeDescriptorsFrom(int first)
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) < 0 || limit.rlim_cur <= rlim_t(first))
        return;
    if (close_range(first, limit.rlim_cur - 1, 0) == 0)
        return;
    for (rlim_t fd = first; fd < limit.rlim_cur; ++fd)
        close(int(fd));
}
