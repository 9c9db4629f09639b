// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MAPTIMER_H
#define MAPTIMER_H

#include "xvfbdisplay.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

/**
 * Times programs from their start until they map a window, until that
 * window's contents are first drawn and until they are drawn for the last
 * time in the settling time after the map, on an Xvfb of its own without a
 * window manager, and reads their private memory (RssAnon) at the map.
 *
 * Drawing is seen through the DAMAGE extension: every top-level window of the
 * server, including those made before a run (a resident program's window),
 * carries a damage object that reports each rectangle drawn, so every
 * rendering into the mapped window is seen exactly. A window whose first frame
 * is its final one is drawn once; one that fills in parts later (icons, a
 * history) is drawn again. The server runs as long as the timer lives.
 */
class MapTimer
{
public:
    struct Sample
    {
        /** Milliseconds from fork to the first map; -1 when nothing was mapped in time. */
        double milliseconds = -1;
        /** Milliseconds from fork to the first drawing into that window; -1 when none came. */
        double drawnMilliseconds = -1;
        /**
         * Milliseconds from fork to the last drawing into that window within
         * settlingMilliseconds after the map, or the first drawing when that
         * came later; -1 when none came.
         */
        double lastDrawnMilliseconds = -1;
        /** The rectangles drawn into that window until the last drawing. */
        int drawnRectangles = 0;
        /** With pressReturn: milliseconds from the Return key to the window's unmap; else -1. */
        double closeMilliseconds = -1;
        /** RssAnon in kB when the window was mapped; -1 when unknown. */
        long rssAnonKb = -1;
    };

    /** How long after the map a window is watched for more drawing. The text
     *  cursor's first blink comes later. */
    static constexpr double settlingMilliseconds = 400;

    /** Starts the server; isValid() tells whether that worked. */
    MapTimer();
    ~MapTimer();
    MapTimer(const MapTimer &) = delete;
    MapTimer &operator=(const MapTimer &) = delete;

    /** True when the server runs and the timer watches it, drawing included. */
    bool isValid() const;
    /** The server's display name, such as ":3"; empty when it did not start. */
    const std::string &display() const;

    /**
     * Runs @p command (looked up on PATH) with DISPLAY set to the server and
     * @p environment ("NAME=value") on top of ours, waits at most @p timeoutMs
     * for a window to be mapped and drawn, then ends the program and whatever
     * it started. The window is watched for settlingMilliseconds after the
     * map, so each run takes at least that long. The window may belong to
     * another process, such as a resident instance that the command asks to
     * show itself: a program that ends with status 0 before a window is
     * mapped has handed its work over, and the window is awaited all the
     * same; one that fails ends the run.
     *
     * With @p pressReturn the program is left to finish its work first; then
     * the window gets the input focus and a Return key, and the time until
     * it is unmapped is measured as well.
     */
    Sample run(const std::vector<std::string> &command, const std::vector<std::string> &environment,
        double timeoutMs, bool pressReturn = false);

private:
    struct Progress;

    void trackWindow(xcb_window_t window);
    void trackExistingWindows();
    void handleEvent(const xcb_generic_event_t *event, Progress &progress);
    /** Handles the events that arrive within @p waitMs; false when the server went away. */
    bool pumpEvents(double waitMs, Progress &progress);
    void pressReturnIn(xcb_window_t window);

    XvfbDisplay server;
    xcb_connection_t *connection = nullptr;
    xcb_window_t root = XCB_NONE;
    uint8_t damageEventBase = 0;
    bool damageAvailable = false;
    std::map<xcb_window_t, xcb_damage_damage_t> damages;
};

#endif
