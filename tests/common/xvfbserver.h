// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef XVFBSERVER_H
#define XVFBSERVER_H

#include <QString>
#include <sys/types.h>

/**
 * An Xvfb of the test's own on a free display number, with a fresh authority
 * cookie. It is stopped by its PID when the object goes.
 */
class XvfbServer
{
public:
    XvfbServer();
    ~XvfbServer();
    Q_DISABLE_COPY(XvfbServer)

    /** Starts the server; false when Xvfb is missing or did not come up. */
    bool start();
    void stop();

    /** The display name, for example ":42"; empty before start(). */
    QString display() const { return m_display; }
    /** The authority file that holds the server's cookie. */
    QString authorityFile() const { return m_authorityFile; }
    /** The cookie as hexadecimal digits. */
    QString cookie() const { return m_cookie; }

private:
    static void terminate(pid_t &pid);

    pid_t m_pid = -1;
    QString m_display;
    QString m_authorityFile;
    QString m_cookie;
    QString m_directory;
};

#endif
