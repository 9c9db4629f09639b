// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef WESTONCOMPOSITOR_H
#define WESTONCOMPOSITOR_H

#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <sys/types.h>

/**
 * A weston of the test's own, shown as a window of an X server (its X11
 * backend), with XWayland, a runtime folder (mode 0700) and a socket of its
 * own. Keys typed on that X server reach the compositor's seat as from a
 * keyboard. It is stopped by its PID when the object goes.
 */
class WestonCompositor
{
public:
    /** @p xServer holds DISPLAY and XAUTHORITY of the server to show it on. */
    explicit WestonCompositor(const QProcessEnvironment &xServer);
    ~WestonCompositor();
    Q_DISABLE_COPY(WestonCompositor)

    /** Whether weston and Xwayland are installed. */
    static bool isInstalled();
    /** Starts it and waits for its socket and XWayland; false when that failed. */
    bool start();
    void stop();

    /** The path of its socket, as WAYLAND_DISPLAY may name it. */
    QString socketPath() const;
    /** XWayland's display name, such as ":1". */
    QString xwaylandDisplay() const { return m_xwaylandDisplay; }

    /**
     * @p environment with this compositor's socket in WAYLAND_DISPLAY (a path,
     * so that any runtime folder will do) and XWayland in DISPLAY, which
     * takes no authority.
     */
    QProcessEnvironment clientEnvironment(QProcessEnvironment environment) const;
    /**
     * Runs xdotool on XWayland with @p arguments; its output, or null when it
     * failed.
     */
    QString xdotool(const QStringList &arguments) const;
    /** The X11 window that has the focus on XWayland; empty when none has it. */
    QString focusedX11Window() const { return xdotool({ QStringLiteral("getwindowfocus") }); }

private:
    QProcessEnvironment m_xServer;
    QTemporaryDir m_runtime;
    QString m_xwaylandDisplay;
    pid_t m_pid = -1;
};

#endif
