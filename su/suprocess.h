// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SUPROCESS_H
#define SUPROCESS_H

#include "stubprocess.h"

#include <QString>

#include <memory>

/**
 * Runs tavrine as another user through su or sudo on a pseudo-terminal: it
 * answers the password prompt, tells from what follows whether the password
 * was accepted, and hands over to the conversation with the companion.
 *
 * One object serves one attempt: construct, configure, authenticateAndRun()
 * once, destroy. Everything blocks the calling thread; nothing is printed.
 *
 * The attempt may run on a thread of its own, in a process with other threads
 * (the dialog checks a password that way): it changes nothing that the process
 * shares, starts children only with calls that are safe after fork, and
 * reaps its child by its pid, which SIGCHLD must then not be set to ignore.
 * Another thread may cancel() it at any time.
 *
 * su, sudo and the companion are looked up in the absolute folders of PATH
 * only (and the companion where the package puts it first, see companionPath()):
 * an empty or relative entry would search the current folder, which may be
 * another user's.
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
        /** su or sudo not started (run mode), the exchange broken off (the terminal
         *  closed before a prompt, or the password showed), or the terminal closed during the
         *  conversation with the companion */
        SwitchFailed = -1,
        /** su or sudo made no progress for progressTimeout(), or the whole check took longer
         *  than overallTimeout(); the child was killed or hung up */
        SwitchTimedOut = -2,
        /** tavrine was not found (companionPath() is empty); nothing was started */
        SwitchNoCompanion = -3,
        /** su or sudo would not run the companion although the password was not found wrong
         *  (a closed account, an expired password, a sudoers refusal, a line outside the
         *  conversation) */
        SwitchDenied = -4,
        /** the prompt kept the terminal's echo on, so the password was not typed */
        SwitchEchoOn = -5,
        /** a value for the companion holds a line break (see valueWithLineBreak()); nothing was
         *  started, or the companion was not given that value */
        SwitchLineBreak = -6,
        /** cancel() was called before the command ran; the child was killed and reaped. (Once
         *  the command runs, cancel() only ends the wait for its end: SwitchFailed.) */
        SwitchCancelled = -7,
        /** su or sudo is in no absolute folder of PATH (not installed); nothing was started */
        SwitchToolMissing = -8,
        /** verify mode: the password was accepted and the companion stopped; run mode: exit status
           0 */
        SwitchOk = 0,
        /** verify mode only: su or sudo could not be started */
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
     * The companion program: the one beside this program (where a build tree
     * has it), else the one where the package installs it, else the first in
     * an absolute folder of PATH.
     * @return its absolute path, or an empty array when there is none
     */
    static QByteArray companionPath();
    /** The search path that the tool gives the target user (targetSearchPath()). */
    QByteArray pathForTarget() const override;
    /** As StubProcess's, and the companion's path, which su hands to a shell. */
    ExchangedValue valueWithLineBreak() override;

    /**
     * Starts su or sudo with tavrine as their command, types @p password at the
     * first prompt once the terminal's echo is off, and converses with the
     * companion. Nothing is started when a value holds a line break. For a user
     * other than the caller, su or sudo get only the environment that may pass
     * between users. The whole exchange gives up when it makes no progress for
     * progressTimeout(), when it has taken overallTimeout(), and when su or
     * sudo say more than any prompt needs; the command itself may run as long
     * as it likes. In run mode the process is made undumpable first, so that
     * no other process of the caller can read the password from its memory.
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
    /**
     * @return SwitchOk once the child runs, SwitchToolMissing, SwitchLineBreak,
     *         SwitchNoCompanion, SwitchCancelled or SwitchNotStarted
     */
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
    /**
     * @return @p first and the lines that follow it in one burst, carriage returns removed
     *         (all of them counted as heard)
     */
    QList<QByteArray> burstFrom(const QByteArray &first);
    /** Counts @p line as said by su or sudo. @return false once they have said too much */
    bool hear(const QByteArray &line);
    /** @return SwitchOk once the password was typed, else why it was not */
    int typePassword(const char *password);
    /** @return the result for a companion that has said "end" or broken off */
    int finishWithStub(int mode);
    /**
     * Ends the child of an attempt that failed, killed or hung up, and reaps it.
     * @return @p result, or SwitchCancelled when the attempt was cancelled
     */
    int stopChild(int result);

    struct Private;
    const std::unique_ptr<Private> d;
};

#endif
