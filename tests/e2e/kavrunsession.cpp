// SPDX-License-Identifier: GPL-2.0-or-later
#include "kavrunsession.h"
#include "../common/desktopentryfile.h"
#include "../common/throwawayaccount.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/stat.h>

static const char sessionVariable[] = "KAVRUN_E2E_SESSION";

// Writes its mark through a temporary file so that a reader never sees half of it.
static const char markProgram[] = R"sh(#!/bin/sh
mark="$KAVRUN_E2E_MARKS/${1:-$(basename "$0")}"
{
    echo "$*"
    cut -d' ' -f19 /proc/$$/stat
    pid=$$
    while [ "$pid" -gt 1 ]; do
        echo "$pid $(cat /proc/$pid/comm)"
        pid=$(sed 's/.*) . //' /proc/$pid/stat | cut -d' ' -f1)
    done
} > "$mark.part"
mv "$mark.part" "$mark"
)sh";

// Stands in for x-terminal-emulator under an xterm's name, without a window:
// records its arguments, one a line, and runs what follows its "-e".
static const char terminalProgram[] = R"sh(#!/bin/sh
record="$(dirname "$0")/arguments"
printf '%s\n' "$@" > "$record.part"
mv "$record.part" "$record"
while [ "$#" -gt 0 ] && [ "$1" != -e ]; do shift; done
shift
"$@"
)sh";

KavRunSession::KavRunSession(const QProcessEnvironment &display)
    : m_directory(QDir::tempPath() + QStringLiteral("/kavrun-e2e-XXXXXX"))
    , m_environment(display)
{
    if (!m_directory.isValid())
        return;
    const QDir root(path());
    for (const char *folder :
        { "home/.local/share/applications", "config", "runtime", "marks", "bin", "terminal" }) {
        if (!root.mkpath(QLatin1String(folder)))
            return;
    }
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!writeProgram(binDirectory() + QStringLiteral("/kavmark"), markProgram)
        || !writeProgram(root.filePath(QStringLiteral("terminal/xterm")), terminalProgram)
        || !QFile::link(root.filePath(QStringLiteral("terminal/xterm")),
            binDirectory() + QStringLiteral("/x-terminal-emulator"))
        || !writeEditorEntry())
        return;

    m_environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    m_environment.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    m_environment.insert(
        QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    m_environment.insert(
        QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("runtime")));
    m_environment.insert(
        QStringLiteral("KAVRUN_E2E_MARKS"), root.filePath(QStringLiteral("marks")));
    m_environment.insert(QLatin1String(sessionVariable), path());
    m_environment.insert(QStringLiteral("PATH"),
        binDirectory() + QLatin1Char(':') + m_environment.value(QStringLiteral("PATH")));
    m_valid = true;
}

KavRunSession::~KavRunSession()
{
    killAll();
}

QString KavRunSession::binDirectory() const
{
    return path() + QStringLiteral("/bin");
}

QString KavRunSession::settingsFile() const
{
    return path() + QStringLiteral("/config/kav/kav-run.conf");
}

QString KavRunSession::instanceSocket() const
{
    return path() + QStringLiteral("/runtime/kav-run@")
        + m_environment.value(QStringLiteral("DISPLAY")) + QStringLiteral(".socket");
}

bool KavRunSession::writeProgram(const QString &path, const QByteArray &script)
{
    QFile program(path);
    if (!program.open(QIODevice::WriteOnly))
        return false;
    const bool written = program.write(script) == script.size();
    program.close();
    return written
        && program.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther);
}

bool KavRunSession::writeEditorEntry() const
{
    return writeDesktopEntry(
        path() + QStringLiteral("/home/.local/share/applications/kavrun-texteditor.desktop"),
        "Name=Text Editor\nIcon=accessories-text-editor\nExec=kavmark editor %F\n");
}

bool KavRunSession::handTo(const QString &account)
{
    const QString authority = path() + QStringLiteral("/xauthority");
    if (!QFile::copy(m_environment.value(QStringLiteral("XAUTHORITY")), authority)
        || !runAdmin(
            QStringLiteral("chown"), { QStringLiteral("-R"), account + QLatin1Char(':'), path() })
        || ::chmod(QFile::encodeName(path()), 0711) != 0
        || ::chmod(QFile::encodeName(path() + QStringLiteral("/marks")), 01777) != 0)
        return false;
    m_environment.insert(QStringLiteral("XAUTHORITY"), authority);
    // The test's cache is not theirs to write.
    m_environment.insert(QStringLiteral("XDG_CACHE_HOME"), path() + QStringLiteral("/home/.cache"));
    m_account = account;
    return true;
}

QProcess *KavRunSession::startProgram(const QString &program, const QStringList &arguments)
{
    return start(program, arguments, m_environment);
}

QProcess *KavRunSession::startKavRun(const QStringList &arguments)
{
    return startKavRun(arguments, m_environment);
}

QProcess *KavRunSession::startKavRun(
    const QStringList &arguments, const QProcessEnvironment &environment)
{
    return start(qEnvironmentVariable("KAVRUN_BINARY_DIR") + QStringLiteral("/app/kav-run"),
        arguments, environment);
}

QProcess *KavRunSession::start(
    const QString &program, const QStringList &arguments, const QProcessEnvironment &environment)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    if (m_account.isEmpty())
        process->start(program, arguments);
    else
        process->start(QStringLiteral("setpriv"),
            QStringList { QStringLiteral("--reuid=") + m_account,
                QStringLiteral("--regid=") + m_account, QStringLiteral("--init-groups"), program }
                + arguments);
    process->waitForStarted();
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QString KavRunSession::waitForMark(const QString &name, int timeout) const
{
    return waitForFile(path() + QStringLiteral("/marks/") + name, timeout);
}

QStringList KavRunSession::terminalArguments(int timeout) const
{
    const QString record = waitForFile(path() + QStringLiteral("/terminal/arguments"), timeout);
    return record.isNull() ? QStringList() : record.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString KavRunSession::waitForFile(const QString &name, int timeout)
{
    QFile mark(name);
    QElapsedTimer clock;
    clock.start();
    while (!mark.exists()) {
        if (clock.hasExpired(timeout))
            return QString();
        QThread::msleep(50);
    }
    if (!mark.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLocal8Bit(mark.readAll());
}

QList<qint64> KavRunSession::processes(const QString &name) const
{
    const QByteArray entry = QByteArray(sessionVariable) + '=' + QFile::encodeName(path());
    const qint64 self = QCoreApplication::applicationPid();
    QList<qint64> found;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entryName : pids) {
        bool isPid = false;
        const qint64 pid = entryName.toLongLong(&isPid);
        if (!isPid || pid == self)
            continue;
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(entry)
            && (name.isEmpty()
                || (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name.toUtf8())))
            found.append(pid);
    }
    return found;
}

void KavRunSession::killAll()
{
    for (const auto &process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished();
        }
    }
    m_processes.clear();
    // Detached commands (a terminal, a marker still writing) are not our children. Asked
    // first, they can clean up after themselves (the companion removes the display authority
    // it installed).
    for (const qint64 pid : processes())
        ::kill(pid_t(pid), SIGTERM);
    QElapsedTimer grace;
    grace.start();
    while (!processes().isEmpty() && !grace.hasExpired(2000))
        QThread::msleep(50);
    for (const qint64 pid : processes())
        ::kill(pid_t(pid), SIGKILL);
}

int waitForExitCode(QProcess *process, int timeout)
{
    // A process that ended while the event loop ran is finished already.
    if (process->state() != QProcess::NotRunning && !process->waitForFinished(timeout))
        return -1000;
    return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1000;
}
