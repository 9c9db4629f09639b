// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STARTUPNOTICE_H
#define STARTUPNOTICE_H

#include <QString>

/**
 * Tells the window manager that an application is starting, by the X
 * startup-notification protocol ("new:" on the root window), so that it can
 * show that it is busy and give the application's first window the focus.
 * The application ends the notice itself when it shows its window, having
 * found the notice's id in DESKTOP_STARTUP_ID; a window manager ends it after
 * a while otherwise.
 */
class StartupNotice
{
public:
    /**
     * Announces the start of the application @p name, drawn as @p icon (an
     * icon name or path, may be empty), whose program is @p program.
     *
     * @return the notice's id for DESKTOP_STARTUP_ID; empty when there is no
     *         X display to tell
     */
    static QString announce(const QString &name, const QString &icon, const QString &program);
};

#endif
