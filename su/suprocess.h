// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SUPROCESS_H
#define SUPROCESS_H

#include "stubprocess.h"

#include <QString>

/**
 * Runs tavrine as another user through su or sudo on a pseudo-terminal: it
 * answers the password prompt, tells from what follows whether the password
 * was accepted, and hands over to the conversation with the companion.
 *
 * One object serves one attempt: construct, configure, authenticateAndRun()
 * once, destroy. Everything blocks the calling thread; nothing is printed.
 */
class SuProcess : public StubProcess
{
public:
    enum SwitchMode {
        RunCommand = 0, ///< the companion runs the command
        VerifyOnly = 1, ///< the companion stops right after the handshake
    };

    /**
     * Results of authenticateAndRun(). In run mode any other value is the
     * command's exit status (0 to 255). After a failure, lastLine() holds what
     * su or sudo said last: the line that ended the attempt, or all of their
     * answer to the password, joined by blanks.
     */
    enum SwitchResult {
        /** su or sudo missing or not started (run mode), the exchange broken off (the terminal
         *  closed before a prompt, or the password showed), or the terminal closed during the
         *  conversation with the companion */
        SwitchFailed = -1,
        /** su or sudo made no progress for progressTimeout(); the child was killed */
        SwitchTimedOut = -2,
        /** tavrine is not on the search path; nothing was started */
        SwitchNoCompanion = -3,
        /** su or sudo would not run the companion although the password was not found wrong
         *  (a closed account, an expired password, a sudoers refusal, a line outside the
         *  conversation) */
        SwitchDenied = -4,
        /** the prompt kept the terminal's echo on, so the password was not typed */
        SwitchEchoOn = -5,
        /** verify mode: the password was accepted and the companion stopped; run mode: exit status
           0 */
        SwitchOk = 0,
        /** verify mode only: su or sudo not found on the search path, or not started */
        SwitchNotStarted = 1,
        /** the password was refused */
        SwitchRefused = 3,
    };

    /** Runs @p command as @p user (both may be null: set them later); sudo unless told otherwise.
     */
    SuProcess(const QByteArray &user, const QByteArray &command);
    ~SuProcess() override;

    void extensionHook() override;
    /** @return true for any pid while the tool is sudo, whose children cannot be probed */
    bool isAlive(pid_t pid) override;

    /** "su" or "sudo"; any other name chooses "su". sudo only ever serves to become root. */
    void setSwitchTool(const QString &name);
    /** "su" or "sudo"; once authenticateAndRun() has run, the one it used. */
    QString switchTool() const;

    /**
     * Starts su or sudo with tavrine as their command, types @p password at the
     * first prompt once the terminal's echo is off, and converses with the
     * companion. For a user other than the caller, su or sudo get only the
     * environment that may pass between users. The whole exchange gives up when
     * it makes no progress for progressTimeout(); the command itself may run as
     * long as it likes.
     * @param password zero-terminated, in the local 8-bit encoding, possibly
     *        empty, never null; when the wipe-password flag is set it is
     *        overwritten with zeros once typed (or once it is clear that it will
     *        not be), so it must then be writable
     * @param mode a SwitchMode
     * @return a SwitchResult; in run mode also the command's exit status,
     *         which may itself be 1 or 3
     */
    int authenticateAndRun(const char *password, int mode);
    /** @return authenticateAndRun(@p password, VerifyOnly) */
    int verifyPassword(const char *password);

private:
    /** @return SwitchOk once the child runs, SwitchNoCompanion, or SwitchNotStarted */
    int startSwitchTool();
    /** @return the environment for su or sudo: ours for the caller, a filtered one for anyone else
     */
    std::optional<QList<QByteArray>> environmentForTarget() const;
    /**
     * Answers the first prompt with @p password and waits for the companion.
     * @return SwitchOk when the handshake arrived (put back for converseWithStub),
     *         else the SwitchResult that ends the attempt
     */
    int converseWithSwitchTool(const char *password);
    /** @return @p first and the lines that follow it in one burst, carriage returns removed */
    QList<QByteArray> burstFrom(const QByteArray &first);
    /** @return SwitchOk once the password was typed, else why it was not */
    int typePassword(const char *password);
    /** @return the result for a companion that has said "end" or broken off */
    int finishWithStub(int mode);
    /** Kills the child and, when it could be killed, reaps it. */
    void stopChild();

    struct Private;
    Private *const d;
};

#endif
