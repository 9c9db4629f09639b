// SPDX-License-Identifier: GPL-2.0-or-later
#include "suprocess.h"

#include "core/commandwords.h"
#include "core/searchpath.h"
#include "stub/portableenvironment.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

#include <ctype.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

extern char **environ;

struct SuProcess::Private
{
    QString switchTool;
    int heard = 0; // bytes su or sudo have said
};

namespace {

const QByteArray handshake = QByteArrayLiteral("tavrine");

// su and sudo turn echo off right after they show their prompt.
const int echoOffGraceMs = 3000;

// Banners and sudo's lecture come in one burst with the prompt; a flood is no burst.
const int burstLimit = 4096;

// All that su and sudo say around a password is a few lines; a flood is neither of them.
const int switchToolOutputLimit = 65536;

// A killed child ends at once; a hung-up sudo within moments.
const int childStopGraceMs = 2000;

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

} // namespace

SuProcess::SuProcess(const QByteArray &user, const QByteArray &command)
    : d(std::make_unique<Private>())
{
    targetUser = user;
    commandLine = command;
    setSwitchTool(QStringLiteral("sudo"));
}

// Out of line, where Private is complete.
SuProcess::~SuProcess() = default;

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

QByteArray SuProcess::companionPath()
{
    QStringList candidates;
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (!self.isEmpty())
        candidates << QFileInfo(self).absolutePath() + QStringLiteral("/tavrine");
    candidates << QStringLiteral(KAVRUN_COMPANION_INSTALLED_PATH);
    for (const QString &candidate : qAsConst(candidates)) {
        const QFileInfo companion(candidate);
        if (companion.isFile() && companion.isExecutable())
            return QFile::encodeName(candidate);
    }
    return findInAbsoluteFolders("tavrine");
}

QByteArray SuProcess::pathForTarget() const
{
    return targetSearchPath(targetUser, d->switchTool);
}

StubProcess::ExchangedValue SuProcess::valueWithLineBreak()
{
    if (holdsLineBreak(companionPath()))
        return CompanionPathValue;
    return StubProcess::valueWithLineBreak();
}

int SuProcess::verifyPassword(const char *password)
{
    return authenticateAndRun(password, VerifyOnly);
}

int SuProcess::authenticateAndRun(const char *password, int mode)
{
    if (mode == RunCommand)
        prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    else
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
    if (answer != SwitchOk)
        return stopChild(answer);
    return finishWithStub(mode);
}

int SuProcess::startSwitchTool()
{
    if (isCancelled())
        return SwitchCancelled;
    // sudo only ever serves to become root.
    if (targetUser != "root")
        d->switchTool = QStringLiteral("su");
    const bool sudo = d->switchTool == QLatin1String("sudo");

    const QByteArray executable = findInAbsoluteFolders(sudo ? "sudo" : "su");
    if (executable.isEmpty())
        return SwitchToolMissing;
    const QByteArray companion = companionPath();
    if (companion.isEmpty())
        return SwitchNoCompanion;
    // The companion just found is the one checked and started.
    if (holdsLineBreak(companion) || StubProcess::valueWithLineBreak() != NoValue)
        return SwitchLineBreak;

    QList<QByteArray> arguments;
    if (sudo)
        arguments << QByteArrayLiteral("-u");
    arguments << targetUser;
    // su hands its command to the target's shell, which must read the path as one word.
    if (sudo)
        arguments << companion;
    else
        arguments << QByteArrayLiteral("-c")
                  << shellQuoted(QFile::decodeName(companion)).toLocal8Bit();
    arguments << QByteArrayLiteral("-");

    setChildEnvironment(environmentForTarget());
    // The terminal keeps its echo on, so that a prompt that leaves it on is noticed.
    setTerminalEcho(true);
    startProgressClock();
    return startChild(executable, arguments) == 0 ? SwitchOk : SwitchNotStarted;
}

std::optional<QList<QByteArray>> SuProcess::environmentForTarget() const
{
    // getpwnam_r: another thread may be looking up users as well.
    passwd entry;
    passwd *target = nullptr;
    std::vector<char> strings(16384);
    getpwnam_r(targetUser.constData(), &entry, strings.data(), strings.size(), &target);
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
        QByteArray rawLine = nextLine(true);
        // Output that never stops is no progress either.
        if (progressClockRanOut())
            return SwitchTimedOut;
        if (rawLine.isNull())
            return state == AwaitHandshake ? SwitchRefused : SwitchFailed;
        if (!hear(rawLine))
            return SwitchDenied;
        QByteArray line = withoutCarriageReturn(rawLine);

        switch (state) {
        case WaitForPrompt: {
            // Banners, sudo's lecture and the prompt come in one burst; only its last line can
            // be the prompt, and blank lines inside it do not end it, so that a text line
            // ending in a colon is not taken for a prompt.
            const QByteArray candidate = newestLine(burstFrom(line));
            if (d->heard > switchToolOutputLimit)
                return SwitchDenied;
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
            // Anything else would be the password shown in clear: give up at once, keeping no
            // copy of it and saying nothing of it.
            if (!isHiddenEcho(line)) {
                wipeBytes(line);
                wipeBytes(rawLine);
                wipeInput();
                return SwitchFailed;
            }
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
            if (!waitForOutput(100))
                break;
            next = nextLine(false);
            if (next.isNull())
                break;
        }
        gathered += next.size() + 1;
        hear(next);
        lines.append(withoutCarriageReturn(next));
    }
    return lines;
}

bool SuProcess::hear(const QByteArray &line)
{
    d->heard += line.size() + 1;
    return d->heard <= switchToolOutputLimit;
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
    // Raw data: no copy of the password is made.
    const QByteArray typed = QByteArray::fromRawData(password, int(strlen(password)));
    return sendLine(typed) ? SwitchOk : SwitchFailed;
}

int SuProcess::finishWithStub(int mode)
{
    const int conversation = converseWithStub(mode);
    if (conversation != 0) {
        const int result = progressClockRanOut() ? SwitchTimedOut
            : conversation == 2                  ? SwitchLineBreak
            : conversation < 0                   ? SwitchFailed
                                                 : SwitchDenied;
        return stopChild(result);
    }
    if (mode != RunCommand) {
        // The companion has said "end" and exits with 0.
        // Only a clock or a cancel ends the draining early: the terminal is there.
        if (drainUntilExit() < 0)
            return stopChild(SwitchTimedOut);
        return SwitchOk;
    }
    // The command runs as long as it likes.
    stopProgressClock();
    return drainUntilExit();
}

int SuProcess::stopChild(int result)
{
    // A sudo that turned root may not be killed by an ordinary caller; the hang-up of its
    // terminal ends it.
    if (kill(childPid(), SIGKILL) != 0)
        hangUp();
    reapChild(childStopGraceMs);
    return isCancelled() ? SwitchCancelled : result;
}
