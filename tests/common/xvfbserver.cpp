// SPDX-License-Identifier: GPL-2.0-or-later
#include "xvfbserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

XvfbServer::XvfbServer() = default;

XvfbServer::~XvfbServer()
{
    stop();
}

static bool displayInUse(int number)
{
    return QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))
        || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number));
}

// Waits up to @p timeout ms for the line that a server started with
// -displayfd writes on @p fd; false when the server ended or stayed silent.
static bool waitForReadyLine(int fd, int timeout)
{
    const QDeadlineTimer deadline(timeout);
    QByteArray line;
    while (!line.contains('\n')) {
        pollfd readable = { fd, POLLIN, 0 };
        const int waited = poll(&readable, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (waited < 0 && errno == EINTR)
            continue;
        if (waited <= 0)
            return false;
        char buffer[16];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        line.append(buffer, int(count));
    }
    return true;
}

bool XvfbServer::start()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xauth = QStandardPaths::findExecutable(QStringLiteral("xauth"));
    if (xvfb.isEmpty() || xauth.isEmpty())
        return false;

    QTemporaryDir directory(QDir::tempPath() + QStringLiteral("/kavrun-xvfb-XXXXXX"));
    directory.setAutoRemove(false);
    m_directory = directory.path();
    m_authorityFile = m_directory + QStringLiteral("/Xauthority");

    QByteArray cookie(16, Qt::Uninitialized);
    for (char &byte : cookie)
        byte = char(QRandomGenerator::global()->bounded(256));
    m_cookie = QString::fromLatin1(cookie.toHex());

    for (int attempt = 0; attempt < 20; ++attempt) {
        const int number = 90 + int(QRandomGenerator::global()->bounded(800));
        if (displayInUse(number))
            continue;
        const QString display = QStringLiteral(":%1").arg(number);
        if (QProcess::execute(xauth,
                { QStringLiteral("-f"), m_authorityFile, QStringLiteral("add"), display,
                    QStringLiteral("MIT-MAGIC-COOKIE-1"), m_cookie })
            != 0)
            return false;

        const QByteArray program = QFile::encodeName(xvfb);
        const QByteArray displayBytes = display.toLocal8Bit();
        const QByteArray authBytes = QFile::encodeName(m_authorityFile);
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0)
            return false;
        const QByteArray readyBytes = QByteArray::number(ready[1]);
        const pid_t pid = fork();
        if (pid < 0) {
            close(ready[0]);
            close(ready[1]);
            return false;
        }
        if (pid == 0) {
            const int devnull = ::open("/dev/null", O_RDWR);
            dup2(devnull, 1);
            dup2(devnull, 2);
            fcntl(ready[1], F_SETFD, 0);
            // -displayfd: the server writes its number there once it accepts
            // clients, and ends when another server has the display.
            // -noreset: a server that resets when its last client leaves
            // refuses a client that connects meanwhile, and tests connect and
            // leave all the time.
            execl(program.constData(), "Xvfb", displayBytes.constData(), "-auth",
                authBytes.constData(), "-displayfd", readyBytes.constData(), "-noreset", "-screen",
                "0", "1280x1024x24", "-nolisten", "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        close(ready[1]);
        m_pid = pid;
        m_display = display;
        const bool up = waitForReadyLine(ready[0], 10000);
        close(ready[0]);
        if (up)
            return true;
        terminate(m_pid);
        m_display.clear();
    }
    return false;
}

void XvfbServer::terminate(pid_t &pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    for (int wait = 0; wait < 100 && waitpid(pid, &status, WNOHANG) == 0; ++wait)
        QThread::msleep(20);
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    pid = -1;
}

void XvfbServer::stop()
{
    terminate(m_pid);
    m_display.clear();
    if (!m_directory.isEmpty()) {
        QDir(m_directory).removeRecursively();
        m_directory.clear();
    }
}
