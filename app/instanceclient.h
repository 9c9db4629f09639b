// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INSTANCECLIENT_H
#define INSTANCECLIENT_H

#include <string>

/**
 * Hands a message to the running instance of a QtSingleApplication and
 * waits for its answer. It uses the C library alone, so that a later start
 * can find the running instance before it loads the toolkit.
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
        /** An instance listens, but the message is longer than it takes. */
        TooLong,
    };
    enum ListenerWait {
        /** Nobody listening means that no instance runs. */
        NoWait,
        /** An instance may hold its lock but not listen yet: keep trying. */
        WaitForListener,
    };

    /** The byte with which a running instance acknowledges a message it has taken. */
    static constexpr char acknowledgement = '\x06';
    /** The longest message, in bytes of UTF-16, that a running instance takes. */
    static constexpr unsigned maximumMessageBytes = 64 * 1024;

    /**
     * The lock and socket of @p identifier for this user, without their
     * endings: in the runtime directory when it is private, else in a private
     * folder of the user's for this host in the cache directory, made here
     * when @p createFolder. Empty when neither is safe to use or the socket's
     * name would be too long.
     */
    static std::string instanceFiles(const std::string &identifier, bool createFolder);
    /** Where the first instance with @p identifier listens; empty when nowhere is safe. */
    static std::string serverPath(const std::string &identifier);

    /** @p serverPath is where the instance listens (see serverPath()). */
    explicit InstanceClient(std::string serverPath);

    /**
     * Sends @p message, with a duplicate of @p passedDescriptor unless it is
     * -1, and waits at most @p timeout ms in all for the answer.
     */
    Outcome send(
        const std::u16string &message, int timeout, ListenerWait wait, int passedDescriptor = -1);

    /**
     * What the instance answered to the last send(): the acknowledgement byte
     * alone, or everything its message handler sent. Empty unless send()
     * returned Answered.
     */
    const std::string &answer() const { return m_answer; }

private:
    Outcome exchange(
        int fd, const std::u16string &message, int passedDescriptor, long long deadline);

    std::string m_serverPath;
    std::string m_answer;
};

#endif
