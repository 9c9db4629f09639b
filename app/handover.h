// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HANDOVER_H
#define HANDOVER_H

#include "instanceclient.h"

#include <optional>
#include <string>
#include <vector>

/**
 * A later start's command line on its way to a resident kav-run, and the
 * answer that comes back. The command line travels as the single-instance
 * message "raise" followed by the working directory and the arguments; the
 * answer gives the later start its exit status and the diagnostics to print,
 * or leaves the command line to it. Everything here uses the C library alone,
 * so that the launcher can use it before it loads the toolkit.
 */
struct HandOver
{
    /** The later start's working directory, as the system names it. */
    std::string directory;
    /** Its arguments in the local encoding, the program name first. */
    std::vector<std::string> arguments;

    /** The single-instance message that carries this hand-over. */
    std::u16string message() const;
    /**
     * Hands this over to the running kav-run of @p identifier, waiting for it
     * as @p wait says, and prints the diagnostics of its answer. The
     * descriptor @p keyboardHold, unless it is -1, goes along (see
     * KeyboardHold).
     * @return the exit status of the later start (see finish()), 1 for a
     *         command line too long to hand over, or nothing when no instance
     *         runs
     */
    std::optional<int> deliver(const std::string &identifier, InstanceClient::ListenerWait wait,
        int keyboardHold = -1) const;
    /**
     * Reads @p message into @p handOver.
     * @return false when it is no hand-over, such as the bare "raise" of an older start
     */
    static bool fromMessage(const std::u16string &message, HandOver *handOver);

    /** The answer of a later start that ends with @p status after printing @p errors. */
    static std::string answer(int status, const std::string &errors = std::string());
    /**
     * The answer of a later start that must read its command line itself:
     * help, the version, faulty options and the toolkit's own options.
     */
    static std::string selfAnswer();

    /** finish() of selfAnswer(). */
    static constexpr int answerItself = -2;
    /**
     * Prints the diagnostics that @p answer carries to standard error and
     * returns the exit status it gives: 255 for a plain acknowledgement (the
     * running dialog came to the front), for no answer in time and for an
     * answer that cannot be read, answerItself for selfAnswer().
     */
    static int finish(const std::string &answer);
};

#endif
