// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KAVRUNSESSION_H
#define KAVRUNSESSION_H

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>
#include <vector>

/**
 * A user's session for kav-run on a given display: a private home, settings,
 * runtime and marks folder, a folder first on the search path with
 * "kavmark", a program that leaves a mark when the dialog starts it (run
 * without arguments, it names its mark after itself, also under the name of
 * a link to it), and in the home's data folder (~/.local/share) the desktop
 * entry "kavrun-texteditor", named "Text Editor", which runs "kavmark editor".
 * Its "x-terminal-emulator" leads to a program named "xterm" that opens no
 * window: it records its arguments and runs the command after its "-e".
 *
 * Every process started here, and every process those leave behind (found by
 * the session's own environment variable), is killed by its PID when the
 * session goes. Handed to an account, the session is that user's, and what
 * it starts runs as them.
 */
class KavRunSession
{
public:
    /** @p display holds DISPLAY and XAUTHORITY of the server to use. */
    explicit KavRunSession(const QProcessEnvironment &display);
    ~KavRunSession();
    Q_DISABLE_COPY(KavRunSession)

    /** False when the private folders could not be made. */
    bool isValid() const { return m_valid; }
    QString path() const { return m_directory.path(); }
    /** The folder at the head of the search path, which holds "kavmark". */
    QString binDirectory() const;
    /** Where kav-run keeps its settings in this session (absent until written). */
    QString settingsFile() const;
    /** Where the first kav-run of this session listens for later starts (absent until then). */
    QString instanceSocket() const;

    /** The environment kav-run gets: the private folders, the display, the xcb platform. */
    QProcessEnvironment environment() const { return m_environment; }
    /** Sets @p name to @p value in environment() for every program started from now on. */
    void setVariable(const QString &name, const QString &value)
    {
        m_environment.insert(name, value);
    }

    /**
     * Makes the session's folders @p account's, with a copy of the display's
     * authority of their own, and starts every program as that user from now
     * on; the marks folder is open to every user. False when that failed.
     */
    bool handTo(const QString &account);

    /** Starts @p program in environment(). */
    QProcess *startProgram(const QString &program, const QStringList &arguments);
    /** Starts kav-run with @p arguments in environment(), or in @p environment. */
    QProcess *startKavRun(const QStringList &arguments = {});
    QProcess *startKavRun(const QStringList &arguments, const QProcessEnvironment &environment);

    /**
     * The mark that "kavmark @p name ..." (or a bare "@p name") left: its arguments, its nice value
     * and its ancestors as "pid comm" pairs, one a line. Null when no mark
     * appeared within @p timeout ms.
     */
    QString waitForMark(const QString &name, int timeout = 10000) const;

    /**
     * The arguments the session's terminal got at its last start, one an
     * element; empty when it did not start within @p timeout ms.
     */
    QStringList terminalArguments(int timeout = 10000) const;

    /**
     * The processes of this session (see KavRunSession) named @p name, as
     * /proc/PID/comm has it, or all of them when @p name is empty.
     */
    QList<qint64> processes(const QString &name = QString()) const;

    /** Kills what this session started and left behind. */
    void killAll();

private:
    static bool writeProgram(const QString &path, const QByteArray &script);
    /** The contents of the file @p name once it exists; null after @p timeout ms. */
    static QString waitForFile(const QString &name, int timeout);
    bool writeEditorEntry() const;
    QProcess *start(const QString &program, const QStringList &arguments,
        const QProcessEnvironment &environment);

    QTemporaryDir m_directory;
    QProcessEnvironment m_environment;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QString m_account; // empty: the test's own user
    bool m_valid = false;
};

/** The exit code of @p process once it ended; -1000 when it ran on or died of a signal. */
int waitForExitCode(QProcess *process, int timeout = 10000);

#endif
