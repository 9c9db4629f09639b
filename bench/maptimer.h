// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MAPTIMER_H
#define MAPTIMER_H

#include <xcb/xcb.h>

#include <string>
#include <sys/types.h>
#include <vector>

/**
 * Times programs from their start until they map a window, on an Xvfb of its
 * own without a window manager, and reads their private memory (RssAnon) at
 * that moment. The server runs as long as the timer lives.
 */
class MapTimer
{
public:
    struct Sample
    {
        /** Milliseconds from fork to the first map; -1 when nothing was mapped in time. */
        double milliseconds = -1;
        /** RssAnon in kB when the window was mapped; -1 when unknown. */
        long rssAnonKb = -1;
    };

    /** Starts the server; isValid() tells whether that worked. */
    MapTimer();
    ~MapTimer();
    MapTimer(const MapTimer &) = delete;
    MapTimer &operator=(const MapTimer &) = delete;

    /** True when the server runs and the timer watches it. */
    bool isValid() const;
    /** The server's display name, such as ":3"; empty when it did not start. */
    const std::string &display() const;

    /**
     * Runs @p command (looked up on PATH) with DISPLAY set to the server and
     * @p environment ("NAME=value") on top of ours, waits at most @p timeoutMs
     * for a window to be mapped, then ends the program and whatever it started.
     */
    Sample run(const std::vector<std::string> &command, const std::vector<std::string> &environment,
        double timeoutMs);

private:
    pid_t serverPid = -1;
    std::string displayName;
    xcb_connection_t *connection = nullptr;
};

#endif
