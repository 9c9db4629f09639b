// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CHILDPROGRAM_H
#define CHILDPROGRAM_H

#include <QProcess>
#include <QStringList>

/**
 * A program started by a test in a private runtime and configuration
 * directory. It is killed (by its PID, through QProcess) when the object goes.
 */
class ChildProgram
{
public:
    /** @p environment holds the runtime and configuration directories to use. */
    explicit ChildProgram(const QProcessEnvironment &environment);
    ~ChildProgram();
    Q_DISABLE_COPY(ChildProgram)

    void start(const QString &program, const QStringList &arguments = {});

    /** True once a line of standard output equals @p line, false after @p timeout ms. */
    bool waitForLine(const QString &line, int timeout = 10000);
    /**
     * The first of @p lines that standard output shows, or an empty string
     * when none came within @p timeout ms or the program ended.
     */
    QString waitForAnyLine(const QStringList &lines, int timeout = 10000);
    /** The exit code once the program ended, -1000 when it still ran after @p timeout ms. */
    int waitForExit(int timeout = 10000);
    /** Ends the program with SIGKILL and reaps it. */
    void kill();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
    QStringList m_lines;
};

/**
 * The test's environment with private runtime, configuration and data
 * directories below @p directory (created here) and the offscreen platform.
 */
QProcessEnvironment privateEnvironment(const QString &directory);

/** The path of a program built in this tree, for example "app/kav-run". */
QString builtProgram(const QString &relativePath);

#endif
