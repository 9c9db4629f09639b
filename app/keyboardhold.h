// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KEYBOARDHOLD_H
#define KEYBOARDHOLD_H

/**
 * Keeps what the user types right after a start of kav-run for its dialog.
 *
 * A process of its own grabs the X keyboard at once and freezes it, so that
 * the X server queues every key instead of giving it to the window that had
 * the focus. Once the dialog has the input focus it closes the release
 * descriptor; the grab ends and the server delivers the queued keys to the
 * dialog, in the order typed, as if they came now. The grab also ends when
 * every copy of the descriptor is gone because their holders ended, and
 * after holdLimitMs at the latest, so no failure leaves the keyboard taken:
 * a watcher process then kills the process that holds it ("kav-run-hold")
 * if that was stopped or hangs. While another client holds the keyboard the
 * grab is tried again until then.
 *
 * libxcb is loaded only in that process (KeyboardGrab); everything else
 * uses the C library alone.
 */
struct KeyboardHold
{
    /** The longest time that the keyboard is held, in milliseconds. */
    static constexpr int holdLimitMs = 3000;

    /**
     * Grabs the keyboard of the X display @p display in a process of its own.
     * @return the release descriptor, closed on exec, or -1 when no process
     *         could be started
     */
    static int start(const char *display);

    /** Leaves the release descriptor @p release open for the program that this process executes. */
    static void passOn(int release);
    /**
     * The release descriptor that the launcher passed on to this program,
     * now closed on exec and no longer named in the environment.
     * @return the descriptor, or -1 when none was passed on
     */
    static int takeInherited();
};

#endif
