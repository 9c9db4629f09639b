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
#include <linux/close_range.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

pid_t startQuietly(const QString &program, const QStringList &arguments,
    const QProcessEnvironment &environment, int keptFd)
{
    QList<QByteArray> argumentBytes { QFile::encodeName(program) };
    for (const QString &argument : arguments)
        argumentBytes.append(argument.toLocal8Bit());
    QList<QByteArray> variableBytes;
    const QStringList variables = environment.toStringList();
    for (const QString &variable : variables)
        variableBytes.append(variable.toLocal8Bit());
    // Built before the fork: the child may only make async-signal-safe calls.
    std::vector<char *> argv;
    for (QByteArray &argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (QByteArray &variable : variableBytes)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    // It ends with the test, however the test ends, and holds none of its
    // files: a file lock that ctest's caller holds would outlive them both.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(127);
    close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    const int devnull = ::open("/dev/null", O_RDWR);
    dup2(devnull, 1);
    dup2(devnull, 2);
    if (keptFd >= 0)
        fcntl(keptFd, F_SETFD, 0);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
}

bool XvfbServer::start(Desktop desktop)
{
    if (!startServer())
        return false;
    if (desktop == WithWindowManager && !startWindowManager())
        qInfo("openbox did not start; the server %s runs without a window manager",
            qPrintable(m_display));
    return true;
}

bool XvfbServer::startServer()
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

        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0)
            return false;
        // -displayfd: the server writes its number there once it accepts
        // clients, and ends when another server has the display.
        // -noreset: a server that resets when its last client leaves refuses
        // a client that connects meanwhile, and tests connect and leave all
        // the time.
        const pid_t pid = startQuietly(xvfb,
            { display, QStringLiteral("-auth"), m_authorityFile, QStringLiteral("-displayfd"),
                QString::number(ready[1]), QStringLiteral("-noreset"), QStringLiteral("-screen"),
                QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                QStringLiteral("tcp") },
            QProcessEnvironment::systemEnvironment(), ready[1]);
        if (pid < 0) {
            close(ready[0]);
            close(ready[1]);
            return false;
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

bool XvfbServer::startWindowManager()
{
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty() || m_display.isEmpty())
        return false;
    // Its settings, cache and logs stay in the server's folder.
    const QString home = m_directory + QStringLiteral("/window-manager");
    QDir().mkpath(home);
    QProcessEnvironment environment = clientEnvironment();
    for (const char *variable : { "HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME" })
        environment.insert(QLatin1String(variable), home);
    m_windowManagerPid = startQuietly(openbox, { QStringLiteral("--sm-disable") }, environment);
    if (m_windowManagerPid < 0)
        return false;

    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (windowManagerAnnounced())
            return true;
        if (waitpid(m_windowManagerPid, nullptr, WNOHANG) == m_windowManagerPid) {
            m_windowManagerPid = -1;
            return false;
        }
        QThread::msleep(50);
    }
    terminate(m_windowManagerPid);
    return false;
}

QProcessEnvironment XvfbServer::clientEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.insert(QStringLiteral("XAUTHORITY"), m_authorityFile);
    return environment;
}

// A window manager names its check window on the root window once it runs.
bool XvfbServer::windowManagerAnnounced() const
{
    QProcess xprop;
    xprop.setProcessEnvironment(clientEnvironment());
    xprop.start(QStringLiteral("xprop"),
        { QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK") });
    if (!xprop.waitForFinished(5000)) {
        xprop.kill();
        xprop.waitForFinished();
        return false;
    }
    return xprop.readAllStandardOutput().contains("window id");
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
    terminate(m_windowManagerPid);
    terminate(m_pid);
    m_display.clear();
    if (!m_directory.isEmpty()) {
        QDir(m_directory).removeRecursively();
        m_directory.clear();
    }
}
