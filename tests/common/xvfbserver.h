// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef XVFBSERVER_H
#define XVFBSERVER_H

#include <QProcessEnvironment>
#include <QString>
#include <sys/types.h>

/**
 * An Xvfb of the test's own on a free display number, with a fresh authority
 * cookie, and on request a window manager (openbox) on it. Both are stopped
 * by their PIDs when the object goes.
 */
class XvfbServer
{
public:
    XvfbServer();
    ~XvfbServer();
    Q_DISABLE_COPY(XvfbServer)

    enum Desktop { Bare, WithWindowManager };

    /**
     * Starts the server; false when Xvfb is missing or did not come up. With
     * WithWindowManager it then starts openbox and waits until it manages
     * windows; when openbox is missing or fails, the server runs bare.
     */
    bool start(Desktop desktop = Bare);
    bool hasWindowManager() const { return m_windowManagerPid > 0; }
    /** The window manager's process, to make it slow; -1 without one. */
    pid_t windowManagerPid() const { return m_windowManagerPid; }
    void stop();

    /** The test's environment with DISPLAY and XAUTHORITY of the server. */
    QProcessEnvironment clientEnvironment() const;

    /** The display name, for example ":42"; empty before start(). */
    QString display() const { return m_display; }
    /** The authority file that holds the server's cookie. */
    QString authorityFile() const { return m_authorityFile; }
    /** The cookie as hexadecimal digits. */
    QString cookie() const { return m_cookie; }

private:
    bool startServer();
    bool startWindowManager();
    bool windowManagerAnnounced() const;
    static void terminate(pid_t &pid);

    pid_t m_pid = -1;
    pid_t m_windowManagerPid = -1;
    QString m_display;
    QString m_authorityFile;
    QString m_cookie;
    QString m_directory;
};

/**
 * Starts @p program with @p arguments in @p environment, its output thrown
 * away; @p keptFd stays open in it. It ends with the test, however the test
 * ends. Returns its PID, or -1.
 */
pid_t startQuietly(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment, int keptFd = -1);

#endif
