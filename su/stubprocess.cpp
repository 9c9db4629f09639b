// SPDX-License-Identifier: GPL-2.0-or-later
#include "stubprocess.h"

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

// root gets the secure path that sudo gives it; anyone else gets the caller's folders, but
// only absolute ones: an empty or relative entry searches whatever folder the command is in.
QByteArray StubProcess::pathForTarget() const
{
    if (targetUser == "root")
        return QByteArrayLiteral("/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin");
    QList<QByteArray> folders;
    for (const QByteArray &folder : qgetenv("PATH").split(':')) {
        if (folder.startsWith('/'))
            folders.append(folder);
    }
    return folders.join(':');
}

// Answers one request; false when the request is not one the companion asks.
bool StubProcess::answerRequest(const QByteArray &request)
{
    if (request == "display")
        sendLine(displayValue());
    else if (request == "display_auth")
        sendLine(displayAuthority());
    else if (request == "command")
        sendLine(commandLine);
    else if (request == "path")
        sendLine(pathForTarget());
    else if (request == "user")
        sendLine(targetUser);
    else if (request == "priority")
        sendLine(QByteArray::number(priorityValue));
    else if (request == "scheduler")
        sendLine(schedulingPolicy == SchedulingRealtime ? QByteArrayLiteral("realtime")
                                                        : QByteArrayLiteral("normal"));
    else if (request == "xwindows_only")
        sendLine(QByteArrayLiteral("no"));
    else if (request == "app_startup_id")
        sendLine(QByteArrayLiteral("0"));
    else if (request == "environment")
        sendLine(QByteArray()); // no entries: the empty line ends the list
    else
        return false;
    return true;
}

int StubProcess::converseWithStub(int mode)
{
    for (;;) {
        QByteArray line = nextLine(true);
        if (line.isNull())
            return -1;
        // A terminal with output post-processing on (sudo's own) ends lines with "\r\n".
        if (line.endsWith('\r'))
            line.chop(1);

        if (line == "tavrine") {
            // With echo off the answers do not come back as input.
            setTerminalEcho(false);
            sendLine(mode == 0 ? QByteArrayLiteral("ok") : QByteArrayLiteral("stop"));
        } else if (line == "end") {
            return 0;
        } else if (!answerRequest(line)) {
            return 1;
        }
        noteProgress();
    }
}
