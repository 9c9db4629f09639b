// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PSEUDOTERMINAL_H
#define PSEUDOTERMINAL_H

#include <QtGlobal>

#include <memory>

struct termios;

/**
 * Owns one pseudo-terminal pair. The master stays with the driving process;
 * the slave becomes a child's controlling terminal. Every operation reports
 * success as a boolean or not at all, and nothing is ever printed.
 */
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    Q_DISABLE_COPY(PseudoTerminal)

    /**
     * Opens a pair, both sides close-on-exec. An open pair is never reopened.
     * @return true when a pair is open afterwards
     */
    bool openPair();
    /** Closes the slave side if it is open. */
    void closeSlaveSide();
    /** Closes both sides (the master only while this object owns it). */
    void closePair();

    /** In the child after fork: new session, the slave as controlling terminal. */
    void makeControllingTerminal();

    /** Reads the pair's attributes through the master; false on failure. */
    bool getAttributes(struct termios *attributes) const;
    /** Writes the pair's attributes through the master; false on failure. */
    bool setAttributes(const struct termios *attributes);
    /** Switches the slave's echo on or off; false when the attributes cannot be read or written. */
    bool setSlaveEcho(bool on);

    /** The master descriptor, or -1 while no pair is open. */
    int masterDescriptor() const;
    /** The slave descriptor, or -1 while the slave side is closed. */
    int slaveDescriptor() const;

private:
    struct Private;
    const std::unique_ptr<Private> d;
};

#endif
