// SPDX-License-Identifier: GPL-2.0-or-later
#include "westoncompositor.h"

#include "../common/xvfbserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

static const char socketName[] = "wayland-kavrun";

WestonCompositor::WestonCompositor(const QProcessEnvironment &xServer)
    : m_xServer(xServer)
{ }

WestonCompositor::~WestonCompositor()
{
    stop();
}

bool WestonCompositor::isInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty();
}

QString WestonCompositor::socketPath() const
{
    return m_runtime.filePath(QLatin1String(socketName));
}

bool WestonCompositor::start()
{
    const QString weston = QStandardPaths::findExecutable(QStringLiteral("weston"));
    if (weston.isEmpty() || !m_runtime.isValid())
        return false;
    QFile::setPermissions(
        m_runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString log = m_runtime.filePath(QStringLiteral("weston.log"));
    QProcessEnvironment environment = m_xServer;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    m_pid = startQuietly(weston,
        { QStringLiteral("--backend=x11-backend.so"), QStringLiteral("--xwayland"),
            QStringLiteral("--socket=") + QLatin1String(socketName),
            QStringLiteral("--idle-time=0"), QStringLiteral("--width=1024"),
            QStringLiteral("--height=700"), QStringLiteral("--log=") + log },
        environment);
    if (m_pid < 0)
        return false;

    static const QRegularExpression listening(
        QStringLiteral("xserver listening on display (:\\d+)"));
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired() && waitpid(m_pid, nullptr, WNOHANG) == 0) {
        QFile file(log);
        const QRegularExpressionMatch match = file.open(QIODevice::ReadOnly)
            ? listening.match(QString::fromLocal8Bit(file.readAll()))
            : QRegularExpressionMatch();
        if (match.hasMatch() && QFile::exists(socketPath())) {
            m_xwaylandDisplay = match.captured(1);
            return true;
        }
        QThread::msleep(50);
    }
    stop();
    return false;
}

void WestonCompositor::stop()
{
    if (m_pid <= 0)
        return;
    // Its clients and XWayland end with their connections to it.
    kill(m_pid, SIGTERM);
    const QDeadlineTimer deadline(5000);
    while (waitpid(m_pid, nullptr, WNOHANG) == 0 && !deadline.hasExpired())
        QThread::msleep(20);
    if (waitpid(m_pid, nullptr, WNOHANG) == 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
}

QProcessEnvironment WestonCompositor::clientEnvironment(QProcessEnvironment environment) const
{
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), socketPath());
    environment.insert(QStringLiteral("DISPLAY"), m_xwaylandDisplay);
    environment.remove(QStringLiteral("XAUTHORITY"));
    return environment;
}

QString WestonCompositor::xdotool(const QStringList &arguments) const
{
    QProcess process;
    process.setProcessEnvironment(clientEnvironment(m_xServer));
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return QString();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}
