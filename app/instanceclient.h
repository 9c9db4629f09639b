// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INSTANCECLIENT_H
#define INSTANCECLIENT_H

#include <QByteArray>
#include <QString>

class QDeadlineTimer;

/**
 * Hands a message to the running instance of a QtSingleApplication and
 * waits for its answer. It needs neither an application object nor an event
 * loop, so that a later start can be done before it builds either.
 */
class InstanceClient
{
public:
    enum Outcome {
        /** Nobody listens, or the instance went away before it answered. */
        NotRunning,
        /** The instance answered; see answer(). */
        Answered,
        /** An instance listens but did not answer in time. */
        Unanswered,
    };
    enum ListenerWait {
        /** Nobody listening means that no instance runs. */
        NoWait,
        /** An instance may hold its lock but not listen yet: keep trying. */
        WaitForListener,
    };

    /** @p serverPath is QtSingleApplication::serverPath() of the identifier. */
    explicit InstanceClient(const QString &serverPath);

    /** Sends @p message and waits at most @p timeout ms in all for the answer. */
    Outcome send(const QString &message, int timeout, ListenerWait wait);

    /**
     * What the instance answered to the last send(): the acknowledgement byte
     * alone, or everything a message handler sent. Empty unless send()
     * returned Answered.
     */
    QByteArray answer() const { return m_answer; }

private:
    Outcome exchange(int fd, const QString &message, const QDeadlineTimer &deadline);

    QString m_serverPath;
    QByteArray m_answer;
};

#endif
