// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STUBPROCESS_H
#define STUBPROCESS_H

#include "ptyprocess.h"

#include <optional>

struct XDisplayAuthority;

/**
 * The parent's side of the conversation with tavrine: it answers each of the
 * companion's requests (command, user, path, priority, display...) with one
 * line until the companion says "end".
 *
 * An answer is one line, so no value may hold a line break: a "\n" (or a
 * "\r", or a NUL byte, which a terminal may turn into one or drop) would end
 * it early and make the rest the answer to the next request.
 */
class StubProcess : public PtyProcess
{
public:
    enum SchedulingPolicy { SchedulingNormal = 0, SchedulingRealtime = 1 };

    /** The values that reach the companion, for valueWithLineBreak(). */
    enum ExchangedValue {
        NoValue = 0, ///< none: every value is one line
        CommandLineValue, ///< the command line (setCommandLine())
        SearchPathValue, ///< the search path the command gets (the caller's PATH)
        TargetUserValue, ///< the login name (setTargetUser())
        DisplayValue, ///< the caller's DISPLAY
        DisplayAuthorityValue, ///< the authority entry for the display
        CompanionPathValue, ///< where the companion was found (SuProcess)
    };

    /** Reads the caller's display and its authority entry (runs xauth). */
    StubProcess();
    ~StubProcess() override;

    void extensionHook() override;
    /** @return the caller's DISPLAY, unchanged; empty when it is unset */
    virtual QByteArray displayValue();
    /** @return the protocol name, a blank and the key, or empty when there is no single entry */
    virtual QByteArray displayAuthority();
    /**
     * Says, without starting anything, whether a value that this object would
     * pass to the companion holds a line break, a carriage return or a NUL
     * byte. converseWithStub() never sends such a value.
     * @return the first such value, or NoValue when there is none
     */
    virtual ExchangedValue valueWithLineBreak();

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
     *         part of the conversation (after "stop" only "end" is), 2 when an
     *         answer would have held a line break (see valueWithLineBreak(); it
     *         was not sent), -1 when the terminal closed before "end", a clock
     *         ran out (each answered request is progress) or the conversation
     *         was cancelled
     */
    int converseWithStub(int mode);

protected:
    /** @return true when @p value holds a "\n", a "\r" or a NUL byte */
    static bool holdsLineBreak(const QByteArray &value);

    /**
     * The search path for the command: the one su gives the target user
     * (targetSearchPath()), never the caller's.
     */
    virtual QByteArray pathForTarget() const;

    int priorityValue = 1;
    int schedulingPolicy = SchedulingNormal;
    QByteArray commandLine;
    QByteArray targetUser = QByteArrayLiteral("root");

private:
    /** @return the answer to @p request, or std::nullopt when the companion asks no such thing */
    std::optional<QByteArray> answerTo(const QByteArray &request);

    XDisplayAuthority *const displayAuthorityRecord;
};

#endif
