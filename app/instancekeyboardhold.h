// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INSTANCEKEYBOARDHOLD_H
#define INSTANCEKEYBOARDHOLD_H

#include <memory>
#include <string>

/**
 * The keyboard that a running kav-run holds for a later start that handed
 * its command line over without holding the keyboard itself (KeyboardHold
 * is for a start that becomes the dialog program). The running kav-run asks
 * for the keyboard the moment the hand-over arrives, on an X connection of
 * its own that it makes once; a thread of its own, started with that
 * connection, waits for the grab and lets the keyboard go when the release
 * descriptor is closed, and after KeyboardHold::holdLimitMs at the latest,
 * however busy the main thread is.
 */
class InstanceKeyboardHold
{
public:
    /** For the X display @p display; nothing is connected yet. */
    explicit InstanceKeyboardHold(std::string display);
    /** A keyboard still held is let go when its release comes or its time is up. */
    ~InstanceKeyboardHold();
    InstanceKeyboardHold(const InstanceKeyboardHold &) = delete;
    InstanceKeyboardHold &operator=(const InstanceKeyboardHold &) = delete;

    /** Connects unless that was done or tried; false when the display cannot be reached. */
    bool connect();
    /**
     * Asks for the keyboard now, connecting first when needed.
     * @return the release descriptor, closed on exec; -1 when the keyboard is
     *         not held here: no connection, or the last hold has not ended yet
     */
    int hold();

private:
    struct Holder;

    const std::string m_display;
    std::shared_ptr<Holder> m_holder;
    bool m_connectTried = false;
};

#endif
