// SPDX-License-Identifier: GPL-2.0-or-later
#include "suprocess.h"

#include "exec/commandwords.h"
#include "exec/findcommandexecutable.h"

#include <ctype.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern char **environ;

struct SuProcess::Private
{
    QString switchTool;
};

namespace {

const QByteArray handshake = QByteArrayLiteral("tavrine");

// su and sudo turn echo off right after they show their prompt.
const int echoOffGraceMs = 3000;

// Banners and sudo's lecture come in one burst with the prompt; a flood is no burst.
const int burstLimit = 4096;

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

// su and sudo talk in the C locale here (PtyProcess sets LC_ALL=C), so their words for a
// refused password are known: PAM's "Authentication failure", sudo's "Sorry, try again."
// and its "3 incorrect password attempts".
bool saysThePasswordIsWrong(const QByteArray &line)
{
    return line.contains("Authentication failure") || line.contains("Sorry, try again")
        || line.contains("incorrect password attempt");
}

// The last non-empty line of @p lines, or the first when all are empty.
QByteArray newestLine(const QList<QByteArray> &lines)
{
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (!line->isEmpty())
            return *line;
    }
    return lines.first();
}

// What may pass from the caller to another user, as sudo's env_reset lets it: the display,
// the terminal type, the language and locale, the time zone. Shell options, start-up files
// and plug-in folders of the caller stay behind.
bool mayPassToAnotherUser(const QByteArray &entry)
{
    static const char *const names[] = {
        "DISPLAY=", "XAUTHORITY=", "TERM=", "COLORTERM=", "LANG=", "LANGUAGE=", "TZ=", "LC_"
    };
    for (const char *name : names) {
        if (entry.startsWith(name))
            return true;
    }
    return false;
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

QString SuProcess::switchTool() const
{
    return d->switchTool;
}

int SuProcess::verifyPassword(const char *password)
{
    return authenticateAndRun(password, VerifyOnly);
}

int SuProcess::authenticateAndRun(const char *password, int mode)
{
    if (mode != RunCommand)
        setMirrorOutput(true);

    const int started = startSwitchTool();
    const int answer = started == SwitchOk ? converseWithSwitchTool(password) : started;
    // Nothing reads the password from here on, whichever way the exchange went.
    if (wipePassword)
        explicit_bzero(const_cast<char *>(password), strlen(password));

    if (started == SwitchNotStarted)
        return mode == RunCommand ? SwitchFailed : SwitchNotStarted;
    if (started != SwitchOk)
        return started;
    if (answer != SwitchOk) {
        stopChild();
        return answer;
    }
    return finishWithStub(mode);
}

int SuProcess::startSwitchTool()
{
    // sudo only ever serves to become root.
    if (targetUser != "root")
        d->switchTool = QStringLiteral("su");
    const bool sudo = d->switchTool == QLatin1String("sudo");

    const QByteArray executable = executableOnPath(sudo ? "sudo" : "su");
    if (executable.isEmpty())
        return SwitchNotStarted;
    const QString companion = findCommandExecutable(QStringLiteral("tavrine"));
    if (companion.isEmpty())
        return SwitchNoCompanion;

    QList<QByteArray> arguments;
    if (sudo)
        arguments << QByteArrayLiteral("-u");
    arguments << targetUser;
    // su hands its command to the target's shell, which must read the path as one word.
    if (sudo)
        arguments << companion.toLocal8Bit();
    else
        arguments << QByteArrayLiteral("-c") << shellQuoted(companion).toLocal8Bit();
    arguments << QByteArrayLiteral("-");

    // bash would read that file before it starts the companion.
    unsetenv("BASH_ENV");
    setChildEnvironment(environmentForTarget());
    // The terminal keeps its echo on, so that a prompt that leaves it on is noticed.
    setTerminalEcho(true);
    startProgressClock();
    return startChild(executable, arguments) == 0 ? SwitchOk : SwitchNotStarted;
}

std::optional<QList<QByteArray>> SuProcess::environmentForTarget() const
{
    const passwd *target = getpwnam(targetUser.constData());
    if (target && target->pw_uid == getuid())
        return std::nullopt; // no boundary to cross
    QList<QByteArray> environment;
    for (char **entry = environ; entry && *entry; ++entry) {
        if (mayPassToAnotherUser(*entry))
            environment.append(QByteArray(*entry));
    }
    environment << "PATH=" + pathForTarget() << "USER=" + targetUser << "LOGNAME=" + targetUser;
    if (target) {
        environment << QByteArrayLiteral("HOME=") + QByteArray(target->pw_dir)
                    << QByteArrayLiteral("SHELL=") + QByteArray(target->pw_shell);
    }
    return environment;
}

int SuProcess::converseWithSwitchTool(const char *password)
{
    enum { WaitForPrompt, CheckEcho, AwaitHandshake } state = WaitForPrompt;
    for (;;) {
        const QByteArray rawLine = nextLine(true);
        // Output that never stops is no progress either.
        if (progressClockRanOut())
            return SwitchTimedOut;
        if (rawLine.isNull())
            return state == AwaitHandshake ? SwitchRefused : SwitchFailed;
        const QByteArray line = withoutCarriageReturn(rawLine);

        switch (state) {
        case WaitForPrompt: {
            // Banners, sudo's lecture and the prompt come in one burst; only its last line can
            // be the prompt, and blank lines inside it do not end it, so that a text line
            // ending in a colon is not taken for a prompt.
            const QByteArray candidate = newestLine(burstFrom(line));
            if (candidate == handshake) {
                // No password was asked for: root, or a remembered sudo authentication.
                pushBackLine(candidate);
                return SwitchOk;
            }
            if (!isPasswordPrompt(candidate))
                break;
            const int typed = typePassword(password);
            if (typed != SwitchOk)
                return typed;
            noteProgress();
            state = CheckEcho;
            break;
        }
        case CheckEcho:
            // Anything else would be the password shown in clear: give up at once.
            if (!isHiddenEcho(line))
                return SwitchFailed;
            state = AwaitHandshake;
            break;
        case AwaitHandshake:
            // Nothing is written until the companion speaks: sudo discards typed-ahead input.
            if (line == handshake) {
                pushBackLine(line);
                return SwitchOk;
            }
            if (!line.isEmpty()) {
                // One message, although su writes its name and its text apart ("su: ",
                // "Authentication failure") and an expired password brings three lines.
                setLastLine(burstFrom(line).join(' ').simplified());
                return saysThePasswordIsWrong(lastLine()) ? SwitchRefused : SwitchDenied;
            }
            break;
        }
    }
}

// The lines that come in one burst with @p first: each within 100 ms of the one before, at
// most burstLimit bytes, none after the handshake. Lines already read with an earlier chunk
// belong to it as well.
QList<QByteArray> SuProcess::burstFrom(const QByteArray &first)
{
    QList<QByteArray> lines { first };
    int gathered = first.size();
    while (lines.last() != handshake && gathered < burstLimit) {
        QByteArray next = nextLine(false);
        if (next.isNull()) {
            if (waitReadable(terminalFd(), 100) <= 0)
                break;
            next = nextLine(false);
            if (next.isNull())
                break;
        }
        gathered += next.size() + 1;
        lines.append(withoutCarriageReturn(next));
    }
    return lines;
}

// A prompt that keeps echo on (a PAM "Username:") would show the password: it gets nothing.
int SuProcess::typePassword(const char *password)
{
    if (!isAlive(childPid()))
        return SwitchFailed;
    const int echo = waitForEchoOff(echoOffGraceMs);
    if (echo == -2)
        return SwitchEchoOn;
    if (echo != 0 || !isAlive(childPid()))
        return SwitchFailed;
    // The password and the line end in two writes, as a person would type them.
    writeIgnoringErrors(terminalFd(), password, strlen(password));
    writeIgnoringErrors(terminalFd(), "\n", 1);
    return SwitchOk;
}

int SuProcess::finishWithStub(int mode)
{
    const int conversation = converseWithStub(mode);
    if (conversation != 0) {
        const int result = progressClockRanOut() ? SwitchTimedOut
            : conversation < 0                   ? SwitchFailed
                                                 : SwitchDenied;
        stopChild();
        return result;
    }
    if (mode != RunCommand) {
        // The companion has said "end" and exits with 0.
        if (drainUntilExit() < 0 && progressClockRanOut()) {
            stopChild();
            return SwitchTimedOut;
        }
        return SwitchOk;
    }
    // The command runs as long as it likes.
    stopProgressClock();
    return drainUntilExit();
}

void SuProcess::stopChild()
{
    // A sudo that turned root cannot be killed by an ordinary caller and would wait for
    // another password: only a child that was killed is drained and reaped; any other
    // ends when its terminal closes. A killed child ends at once.
    stopProgressClock();
    if (kill(childPid(), SIGKILL) == 0)
        drainUntilExit();
}
