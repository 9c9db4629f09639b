// SPDX-License-Identifier: GPL-2.0-or-later
#include "suprocess.h"

#include "exec/findcommandexecutable.h"

#include <ctype.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

struct SuProcess::Private
{
    QString switchTool;
};

namespace {

const QByteArray handshake = QByteArrayLiteral("tavrine");

// sudo runs the companion on a terminal of its own and ends its own lines with "\r\n".
QByteArray withoutCarriageReturn(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// What stands before the colon varies ("Password: ", "[sudo] password for ann: ");
// a prompt has exactly one colon and nothing but blanks after it.
bool isPasswordPrompt(const QByteArray &line)
{
    if (line.count(':') != 1)
        return false;
    const int colon = line.indexOf(':');
    for (int i = colon + 1; i < line.size(); ++i) {
        if (!isspace(static_cast<unsigned char>(line.at(i))))
            return false;
    }
    return true;
}

// What a terminal may show for a password typed with echo off: nothing, or asterisks.
bool isHiddenEcho(const QByteArray &line)
{
    const QByteArray shown = line.trimmed();
    return shown.count('*') == shown.size();
}

QByteArray executableOnPath(const char *name)
{
    return findCommandExecutable(QLatin1String(name)).toLocal8Bit();
}

void writeIgnoringErrors(int fd, const char *data, size_t size)
{
    if (write(fd, data, size) < 0)
        return;
}

} // namespace

SuProcess::SuProcess(const QByteArray &user, const QByteArray &command)
    : d(new Private)
{
    targetUser = user;
    commandLine = command;
    setSwitchTool(QStringLiteral("sudo"));
}

SuProcess::~SuProcess()
{
    delete d;
}

void SuProcess::extensionHook()
{
    StubProcess::extensionHook();
}

bool SuProcess::isAlive(pid_t pid)
{
    // sudo turns fully root, so an ordinary caller cannot probe it with kill().
    if (d->switchTool == QLatin1String("sudo"))
        return true;
    return PtyProcess::isAlive(pid);
}

void SuProcess::setSwitchTool(const QString &name)
{
    d->switchTool = name == QLatin1String("sudo") ? name : QStringLiteral("su");
}

int SuProcess::verifyPassword(const char *password)
{
    return authenticateAndRun(password, VerifyOnly);
}

int SuProcess::authenticateAndRun(const char *password, int mode)
{
    if (mode != RunCommand)
        setMirrorOutput(true);

    const bool started = startSwitchTool() == 0;
    const int answer = started ? converseWithSwitchTool(password) : -1;
    // Nothing reads the password from here on, whichever way the exchange went.
    if (wipePassword)
        explicit_bzero(const_cast<char *>(password), strlen(password));

    if (!started)
        return mode == RunCommand ? SwitchFailed : SwitchNotStarted;
    if (answer < 0)
        return SwitchFailed;
    if (answer != 0) {
        stopChild();
        return SwitchRefused;
    }
    return finishWithStub(mode);
}

int SuProcess::startSwitchTool()
{
    // sudo only ever serves to become root.
    if (targetUser != "root")
        d->switchTool = QStringLiteral("su");
    const bool sudo = d->switchTool == QLatin1String("sudo");

    QList<QByteArray> arguments;
    if (sudo)
        arguments << QByteArrayLiteral("-u");
    arguments << targetUser;
    if (!sudo)
        arguments << QByteArrayLiteral("-c");
    // A missing companion is left for the exchange to fail on.
    arguments << executableOnPath("tavrine") << QByteArrayLiteral("-");

    const QByteArray executable = executableOnPath(sudo ? "sudo" : "su");
    if (executable.isEmpty())
        return -1;

    // bash would read that file before it starts the companion.
    unsetenv("BASH_ENV");
    // The password must never show, even before su or sudo switch echo off.
    setTerminalEcho(false);
    return startChild(executable, arguments);
}

int SuProcess::converseWithSwitchTool(const char *password)
{
    enum { WaitForPrompt, CheckEcho, AwaitHandshake } state = WaitForPrompt;
    for (;;) {
        const QByteArray rawLine = nextLine(true);
        if (rawLine.isNull())
            return state == AwaitHandshake ? 2 : -1;
        const QByteArray line = withoutCarriageReturn(rawLine);

        switch (state) {
        case WaitForPrompt: {
            const QByteArray candidate = newestLineOfBurst(line);
            if (candidate == handshake) {
                // No password was asked for: root, or a remembered sudo authentication.
                pushBackLine(candidate);
                return 0;
            }
            if (!isPasswordPrompt(candidate))
                break;
            if (typePassword(password) < 0)
                return -1;
            state = CheckEcho;
            break;
        }
        case CheckEcho:
            // Anything else would be the password shown in clear: give up at once.
            if (!isHiddenEcho(line))
                return -1;
            state = AwaitHandshake;
            break;
        case AwaitHandshake:
            // Nothing is written until the companion speaks: sudo discards typed-ahead input.
            if (line == handshake) {
                pushBackLine(line);
                return 0;
            }
            if (!line.isEmpty())
                return 2;
            break;
        }
    }
}

// Banners, sudo's lecture and the prompt come in one burst; only its last line can be the
// prompt. Lines already read with an earlier chunk belong to the burst as well, and blank
// lines inside it do not end it, so a text line ending in a colon is not taken for a prompt.
QByteArray SuProcess::newestLineOfBurst(const QByteArray &first)
{
    QByteArray candidate = first;
    while (candidate != handshake) {
        QByteArray next = nextLine(false);
        if (next.isNull()) {
            if (waitReadable(terminalFd(), 100) <= 0)
                break;
            next = nextLine(false);
            if (next.isNull())
                break;
        }
        next = withoutCarriageReturn(next);
        if (!next.isEmpty())
            candidate = next;
    }
    return candidate;
}

int SuProcess::typePassword(const char *password)
{
    if (!isAlive(childPid()) || waitForEchoOff() != 0 || !isAlive(childPid()))
        return -1;
    // The password and the line end in two writes, as a person would type them.
    writeIgnoringErrors(terminalFd(), password, strlen(password));
    writeIgnoringErrors(terminalFd(), "\n", 1);
    return 0;
}

int SuProcess::finishWithStub(int mode)
{
    const int conversation = converseWithStub(mode);
    if (conversation < 0)
        return SwitchFailed;
    if (conversation == 1) {
        stopChild();
        return SwitchRefused;
    }
    if (mode != RunCommand) {
        // The companion has said "end" and exits with 0.
        drainUntilExit();
        return SwitchOk;
    }
    return drainUntilExit();
}

void SuProcess::stopChild()
{
    // A sudo that turned root cannot be killed by an ordinary caller and would wait for
    // another password: only a child that was killed is drained and reaped; any other
    // ends when its terminal closes.
    if (kill(childPid(), SIGKILL) == 0)
        drainUntilExit();
}
