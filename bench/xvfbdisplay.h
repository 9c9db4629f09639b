// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef XVFBDISPLAY_H
#define XVFBDISPLAY_H

#include <string>
#include <sys/types.h>
#include <vector>

/** An Xvfb of a benchmark's own on a free display number; it runs as long as the object lives. */
class XvfbDisplay
{
public:
    /** Starts the server; name() is empty when that failed. */
    XvfbDisplay();
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

    /** The display name, such as ":3"; empty when the server did not start. */
    const std::string &name() const { return displayName; }

private:
    pid_t serverPid = -1;
    std::string displayName;
};

/**
 * A program to start on an X display in a process group of its own, with
 * environment entries ("NAME=value") on top of ours and its output thrown
 * away. Everything is made ready beforehand, so that start() does nothing
 * but start it.
 */
class ProgramStart
{
public:
    ProgramStart(const std::string &display, const std::vector<std::string> &command,
        const std::vector<std::string> &environment);

    /** Starts the program (looked up on PATH); its PID, or -1 when it could not be started. */
    pid_t start() const;

private:
    std::vector<std::string> arguments;
    std::vector<std::string> variables;
};

/** ProgramStart(@p display, @p command, @p environment).start(). */
pid_t startOnDisplay(const std::string &display, const std::vector<std::string> &command,
    const std::vector<std::string> &environment);

/**
 * Ends the process group of @p pid (see startOnDisplay()), politely first; a
 * program that ignores SIGTERM gets SIGKILL after a second, so one stuck
 * program cannot hold up the rest. Members that came to us as the subreaper
 * are reaped.
 */
void stopGroup(pid_t pid);

#endif
