// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STUBPROCESS_H
#define STUBPROCESS_H

#include "ptyprocess.h"

struct XDisplayAuthority;

/**
 * The parent's side of the conversation with tavrine: it answers each of the
 * companion's requests (command, user, path, priority, display...) with one
 * line until the companion says "end".
 */
class StubProcess : public PtyProcess
{
public:
    enum SchedulingPolicy { SchedulingNormal = 0, SchedulingRealtime = 1 };

    /** Reads the caller's display and its authority entry (runs xauth). */
    StubProcess();
    ~StubProcess() override;

    void extensionHook() override;
    /** @return the caller's DISPLAY, unchanged; empty when it is unset */
    virtual QByteArray displayValue();
    /** @return the protocol name, a blank and the key, or empty when there is no single entry */
    virtual QByteArray displayAuthority();

    /** The shell command line to run, in the local 8-bit encoding. */
    void setCommandLine(const QByteArray &command);
    /** The login name to run as; "root" unless set. */
    void setTargetUser(const QByteArray &user);
    /** A nice value, or the real-time priority under SchedulingRealtime; 1 unless set. */
    void setPriorityValue(int priority);
    /** SchedulingNormal or SchedulingRealtime. */
    void setSchedulingPolicy(int policy);

    /**
     * Answers the companion's requests until it ends the exchange. With
     * @p mode 0 the companion goes on to run the command; with any other mode
     * it is told to stop right after the handshake.
     * @return 0 when the companion said "end", 1 when a line came that is not
     *         part of the conversation, -1 when the terminal closed before "end"
     *         or the progress clock ran out (each answered request is progress)
     */
    int converseWithStub(int mode);

protected:
    /**
     * The search path for the command: for root the system folders alone,
     * for anyone else the caller's PATH without empty or relative entries.
     */
    QByteArray pathForTarget() const;

    int priorityValue = 1;
    int schedulingPolicy = SchedulingNormal;
    QByteArray commandLine;
    QByteArray targetUser = QByteArrayLiteral("root");

private:
    bool answerRequest(const QByteArray &request);

    XDisplayAuthority *const displayAuthorityRecord;
};

#endif
