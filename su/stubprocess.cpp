// SPDX-License-Identifier: GPL-2.0-or-later
#include "stubprocess.h"

#include "core/searchpath.h"
#include "xdisplayauthority.h"

StubProcess::StubProcess()
    : displayAuthorityRecord(new XDisplayAuthority)
{
    displayAuthorityRecord->readDisplayAuthority();
}

StubProcess::~StubProcess()
{
    delete displayAuthorityRecord;
}

void StubProcess::extensionHook()
{
    PtyProcess::extensionHook();
}

QByteArray StubProcess::displayValue()
{
    return displayAuthorityRecord->displayName;
}

QByteArray StubProcess::displayAuthority()
{
    return displayAuthorityRecord->authorityLine;
}

void StubProcess::setCommandLine(const QByteArray &command)
{
    commandLine = command;
}

void StubProcess::setTargetUser(const QByteArray &user)
{
    targetUser = user;
}

void StubProcess::setPriorityValue(int priority)
{
    priorityValue = priority;
}

void StubProcess::setSchedulingPolicy(int policy)
{
    schedulingPolicy = policy;
}

// The command finds what the target finds, never a program of the caller's own folders.
QByteArray StubProcess::pathForTarget() const
{
    return targetSearchPath(targetUser, QStringLiteral("su"));
}

bool StubProcess::holdsLineBreak(const QByteArray &value)
{
    return value.contains('\n') || value.contains('\r') || value.contains('\0');
}

StubProcess::ExchangedValue StubProcess::valueWithLineBreak()
{
    const std::pair<ExchangedValue, QByteArray> values[] = { { CommandLineValue, commandLine },
        { SearchPathValue, pathForTarget() }, { TargetUserValue, targetUser },
        { DisplayValue, displayValue() }, { DisplayAuthorityValue, displayAuthority() } };
    for (const auto &value : values) {
        if (holdsLineBreak(value.second))
            return value.first;
    }
    return NoValue;
}

std::optional<QByteArray> StubProcess::answerTo(const QByteArray &request)
{
    if (request == "display")
        return displayValue();
    if (request == "display_auth")
        return displayAuthority();
    if (request == "command")
        return commandLine;
    if (request == "path")
        return pathForTarget();
    if (request == "user")
        return targetUser;
    if (request == "priority")
        return QByteArray::number(priorityValue);
    if (request == "scheduler")
        return schedulingPolicy == SchedulingRealtime ? QByteArrayLiteral("realtime")
                                                      : QByteArrayLiteral("normal");
    if (request == "xwindows_only")
        return QByteArrayLiteral("no");
    if (request == "app_startup_id")
        return QByteArrayLiteral("0");
    if (request == "environment")
        return QByteArrayLiteral(""); // no entries: the empty line ends the list
    return std::nullopt;
}

int StubProcess::converseWithStub(int mode)
{
    bool stopped = false;
    for (;;) {
        QByteArray line = nextLine(true);
        if (line.isNull())
            return -1;
        // A terminal with output post-processing on (sudo's own) ends lines with "\r\n".
        if (line.endsWith('\r'))
            line.chop(1);
        if (line == "end")
            return 0;
        // A companion told to stop has nothing more to ask.
        if (stopped)
            return 1;

        QByteArray answer;
        if (line == "tavrine") {
            // With echo off the answers do not come back as input.
            setTerminalEcho(false);
            stopped = mode != 0;
            answer = stopped ? QByteArrayLiteral("stop") : QByteArrayLiteral("ok");
        } else if (const std::optional<QByteArray> known = answerTo(line)) {
            answer = *known;
        } else {
            return 1;
        }
        // The rest of the line would answer the next request.
        if (holdsLineBreak(answer))
            return 2;
        if (!sendLine(answer))
            return -1;
        noteProgress();
    }
}
