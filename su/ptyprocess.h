// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PTYPROCESS_H
#define PTYPROCESS_H

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

#include <sys/types.h>

/**
 * Starts one child whose standard streams are the slave side of a fresh
 * pseudo-terminal and talks to it through the master: output in chunks and
 * lines, lines written, echo awaited, output drained until the child ends.
 *
 * Everything blocks the calling thread. Nothing is printed; results are
 * integers, and a null byte array means nothing could be read while an empty
 * one is an empty line.
 *
 * Once the progress clock runs (startProgressClock()), blocking reads and
 * writes, the wait for echo and the drain give up when progressTimeout()
 * passes without noteProgress(), and in any case overallTimeout() after the
 * clock started: a child that hangs, floods or only talks cannot hold the
 * caller. cancel(), from any thread, makes them give up at once.
 */
class PtyProcess
{
public:
    /** Overwrites @p bytes where they are, in every copy that shares them, and empties it. */
    static void wipeBytes(QByteArray &bytes);

    PtyProcess();
    /** Closes the terminal; the child is neither signalled nor waited for. */
    virtual ~PtyProcess();
    Q_DISABLE_COPY(PtyProcess)

    /** @return true while @p pid (above 0) can be signalled (kill with signal 0). */
    virtual bool isAlive(pid_t pid);
    /** Does nothing; derived classes call their base's. */
    virtual void extensionHook();

    /** The terminal's master descriptor, or -1 while there is no terminal. */
    int terminalFd() const;
    /** The pid of the last child forked, -1 before the first. */
    pid_t childPid() const;

    /** While set, drainUntilExit() copies the child's output to standard output. */
    void setMirrorOutput(bool mirror);
    /** While set, the password is overwritten after it has been typed. */
    void setWipePassword(bool wipe);

    /**
     * Sets the echo that new terminals get and, with a terminal, its echo now.
     * @return 0, or -1 when the terminal's echo could not be changed
     */
    int setTerminalEcho(bool enable);
    /** Replaces the terminal by a new pair. @return 0, or -1 when none could be opened */
    int openTerminal();
    /**
     * The environment the next child gets instead of ours (entries NAME=value);
     * either way without the desktop session's bus and manager and BASH_ENV,
     * and with LC_ALL=C.
     * std::nullopt gives it ours again.
     */
    void setChildEnvironment(const std::optional<QList<QByteArray>> &environment);

    /**
     * Starts @p command (looked up on the search path when it has no "/") with
     * @p arguments on a new terminal.
     * @return 0 in the parent once the child was forked, -1 when the terminal
     *         cannot be opened or fork fails
     */
    int startChild(const QByteArray &command, const QList<QByteArray> &arguments);

    /**
     * Buffered text, then at most one read of up to 255 bytes, zero bytes
     * included. Without @p block, or with buffered text, the read does not wait;
     * with the progress clock running, it waits at most until the clock runs out.
     * @return null when there was nothing buffered and nothing could be read
     *         (nothing to read yet, end of file, the child side closed, or the
     *         progress clock ran out)
     */
    QByteArray readAvailable(bool block);
    /**
     * The next line without its "\n"; a partial line when no "\n" has come.
     * @return an empty array for an empty line, null when nothing could be read
     */
    QByteArray nextLine(bool block = true);
    /**
     * Writes @p line and, unless told otherwise, "\n", waiting while the
     * terminal is full (within the clocks, until cancelled).
     * @return true when every byte was written
     */
    bool sendLine(const QByteArray &line, bool appendNewline = true);
    /** Puts @p line back so that the next nextLine() returns it. */
    void pushBackLine(const QByteArray &line, bool appendNewline = true);
    /**
     * The last non-empty line nextLine() returned, without a trailing carriage
     * return: what the child said last. Empty before the first such line.
     */
    QByteArray lastLine() const;

    /**
     * Polls every 10 ms until the child turned echo off, for at most
     * @p timeoutMs milliseconds (no limit when negative) and never beyond the
     * progress clock.
     * @return 0 once the terminal's echo is off, -2 when the time is up (or the
     *         wait was cancelled) with echo still on, -1 when the child is gone
     *         (also when it has ended but is not reaped yet) or the attributes
     *         cannot be read
     */
    int waitForEchoOff(int timeoutMs = -1);
    /**
     * Reads the child's output until it ends, copying it to standard output
     * while mirroring is set. Once the terminal has hung up, only the end of
     * the child is awaited.
     * @return its exit code; 0 when it was ended by a signal or is already
     *         reaped, 1 when waitpid failed otherwise, -1 when the terminal
     *         could not be watched, the progress clock ran out or the wait was
     *         cancelled
     */
    int drainUntilExit();
    /**
     * Waits at most @p timeoutMs milliseconds for the child to end, without
     * reading its output or heeding the clocks or cancel(), and reaps it.
     * @return true when it has been reaped (by this call or before)
     */
    bool reapChild(int timeoutMs);
    /**
     * Closes the terminal. The child, whose controlling terminal it was, can
     * read and write it no more (it ignores SIGHUP, prepareChildTerminal() sees
     * to that, so a read or write error ends it): the way to end a child that
     * may not be signalled.
     */
    void hangUp();

    /** Time without progress after which the waits give up, for every object; 25 s unless set. */
    static void setProgressTimeout(int ms);
    static int progressTimeout();
    /** Time from startProgressClock() on beyond which no wait goes; 60 s unless set. */
    static void setOverallTimeout(int ms);
    static int overallTimeout();
    /** Starts the progress clock and the overall one afresh: the waits are limited from now on. */
    void startProgressClock();
    /** Restarts the progress clock if it runs; a step forward in a conversation. */
    void noteProgress();
    /** Stops both clocks: the waits are unlimited again. */
    void stopProgressClock();
    /** Whether the clocks run and one of them has run out. */
    bool progressClockRanOut() const;

    /**
     * Thread-safe, for as long as the object exists: every wait of this object,
     * the one under way on another thread included, gives up at once, and so
     * does every later one. Reads that need not wait still read.
     */
    void cancel();
    /** Whether cancel() was called. */
    bool isCancelled() const;

    /**
     * Waits at most @p ms milliseconds (below 1000) for @p fd to become
     * readable; a hung-up terminal counts as readable.
     * @return positive when readable, 0 on time-out, -1 on error (errno set,
     *         EINTR when a signal came first)
     */
    static int waitReadable(int fd, int ms);
    /**
     * Reaps @p pid if it has ended, without waiting.
     * @return the exit code of @p pid, -1 when waitpid fails (errno ECHILD also
     *         for a pid of 0 or below), -2 while it runs, -3 when it was ended by a signal
     */
    static int pollExit(pid_t pid);
    /**
     * Closes every descriptor from @p first on. Async-signal-safe, for a child
     * between fork and exec or one that never returns to its parent's code.
     */
    static void closeDescriptorsFrom(int first);

protected:
    /** In the forked child: signals, controlling terminal, standard streams. @return 0 or -1 */
    int prepareChildTerminal();
    /** Makes @p text what lastLine() returns, for a message read as several lines. */
    void setLastLine(const QByteArray &text);
    /**
     * Waits at most @p timeoutMs milliseconds (no limit when negative), and
     * never beyond the clocks, for output on the terminal.
     * @return true when there is output to read or the terminal hung up, false
     *         on time-out, when a clock ran out or the wait was cancelled
     */
    bool waitForOutput(int timeoutMs);
    /** Overwrites every byte read from the terminal that is still kept, and forgets them. */
    void wipeInput();

    bool wipePassword = false;
    bool mirrorOutput = false;
    pid_t pid = -1;

private:
    struct Private;
    const std::unique_ptr<Private> d;
};

#endif
