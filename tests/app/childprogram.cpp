// SPDX-License-Identifier: GPL-2.0-or-later
#include "childprogram.h"

#include <QDeadlineTimer>
#include <QDir>

#include <sys/stat.h>

ChildProgram::ChildProgram(const QProcessEnvironment &environment)
{
    m_process.setProcessEnvironment(environment);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ChildProgram::~ChildProgram()
{
    kill();
}

void ChildProgram::start(const QString &program, const QStringList &arguments)
{
    m_lines.clear();
    m_process.start(program, arguments);
}

bool ChildProgram::waitForLine(const QString &line, int timeout)
{
    return !waitForAnyLine({ line }, timeout).isEmpty();
}

QString ChildProgram::waitForAnyLine(const QStringList &lines, int timeout)
{
    const QDeadlineTimer deadline(timeout);
    for (;;) {
        while (m_process.canReadLine())
            m_lines.append(QString::fromLocal8Bit(m_process.readLine()).trimmed());
        for (const QString &line : lines) {
            if (m_lines.contains(line))
                return line;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return QString();
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

int ChildProgram::waitForExit(int timeout)
{
    if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(timeout))
        return -1000;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void ChildProgram::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

QString builtProgram(const QString &relativePath)
{
    return qEnvironmentVariable("KAVRUN_BINARY_DIR") + QLatin1Char('/') + relativePath;
}

QProcessEnvironment privateEnvironment(const QString &directory)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString runtime = directory + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    chmod(QFile::encodeName(runtime).constData(), 0700);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), directory + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), directory + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), directory + QStringLiteral("/cache"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}
