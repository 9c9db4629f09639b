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

    /** Results of authenticateAndRun(); in run mode any other value is the command's exit status.
     */
    enum SwitchResult {
        /** su or sudo missing or not started (run mode), the exchange broken off, or the
         *  terminal closed during the conversation with the companion */
        SwitchFailed = -1,
        /** verify mode: the password was accepted and the companion stopped; run mode: exit status
           0 */
        SwitchOk = 0,
        /** verify mode only: su or sudo not found on the search path, or not started */
        SwitchNotStarted = 1,
        /** the password was refused, or a line outside the conversation came from the companion's
           side */
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

    /**
     * Starts su or sudo with tavrine as their command, types @p password at the
     * first prompt and converses with the companion.
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
    /** @return 0 once the child runs, -1 when it could not be started */
    int startSwitchTool();
    /**
     * Answers the first prompt with @p password and waits for the companion.
     * @return 0 when the handshake arrived (put back for converseWithStub),
     *         2 when the password was refused, -1 when the exchange broke off
     */
    int converseWithSwitchTool(const char *password);
    /** @return the last non-empty line of the burst that begins with @p first */
    QByteArray newestLineOfBurst(const QByteArray &first);
    /** @return 0 once the password was typed, -1 when the child went away first */
    int typePassword(const char *password);
    /** @return the result for a companion that has said "end" or broken off */
    int finishWithStub(int mode);
    /** Kills the child and, when it could be killed, reaps it. */
    void stopChild();

    struct Private;
    Private *const d;
};

#endif
