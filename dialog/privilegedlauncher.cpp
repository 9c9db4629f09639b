// SPDX-License-Identifier: GPL-2.0-or-later
#include "privilegedlauncher.h"

#include "exec/launchplan.h"
#include "su/suprocess.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// Shows the wait cursor while su or sudo checks a password.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY(WaitCursor)
};

// Hands @p plan to @p process as it is: tool, user, command, priority.
static void configure(SuProcess *process, const LaunchPlan &plan, const QByteArray &user)
{
    process->setSwitchTool(plan.switchTool());
    process->setTargetUser(user);
    process->setCommandLine(plan.commandLines().value(0).toLocal8Bit());
    process->setPriorityValue(plan.priority());
    process->setSchedulingPolicy(plan.schedulingPolicy());
}

static void wipe(QByteArray *bytes)
{
    explicit_bzero(bytes->data(), size_t(bytes->size()));
}

void wipeLineEdit(QLineEdit *field)
{
    // The copy shares the field's own buffer, so writing it writes the field's.
    // A text shared further (a history entry, a constant) is kept on purpose.
    QString text = field->text();
    if (!text.isEmpty() && text.data_ptr()->ref.atomic.loadRelaxed() == 2)
        explicit_bzero(const_cast<QChar *>(text.constData()), size_t(text.size()) * sizeof(QChar));
    field->clear();
}

PrivilegedLauncher::PrivilegedLauncher(QWidget *window, QLineEdit *passwordField)
    : m_window(window)
    , m_passwordField(passwordField)
{ }

int PrivilegedLauncher::launch(const LaunchPlan &plan)
{
    // The caller's own name stands in for a user not asked for, and the system may not know it.
    if (plan.targetUser().isEmpty()) {
        QMessageBox::critical(m_window, tr("Error - Run command"), tr("You do not exist!"),
            QMessageBox::Ok, QMessageBox::NoButton);
        return 1;
    }
    const passwd *entry = getpwnam(plan.targetUser().toLocal8Bit().constData());
    if (!entry) {
        showWarning(tr("<qt>The user <b>%1</b> does not exist on this system.</qt>")
                        .arg(plan.targetUser()));
        return 1;
    }
    const QByteArray user = entry->pw_name;
    if (!passwordAccepted(plan, user))
        return 1;

    // Requests still queued for the window system must not be sent twice.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->flush();
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        // The process that runs the command is the child's: the child ends at
        // once, so the dialog reaps it here and leaves no zombie behind.
        const pid_t runner = fork();
        if (runner == 0)
            runInChild(plan, user);
        _exit(runner < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : -1;
}

bool PrivilegedLauncher::passwordAccepted(const LaunchPlan &plan, const QByteArray &user)
{
    int result;
    QString usedTool;
    QByteArray lastLine;
    {
        const WaitCursor waitCursor;
        SuProcess check { QByteArray(), QByteArray() };
        configure(&check, plan, user);
        QByteArray password = m_passwordField->text().toLocal8Bit();
        result = check.verifyPassword(password.constData());
        wipe(&password);
        usedTool = check.switchTool();
        lastLine = check.lastLine();
    }
    if (result == SuProcess::SwitchOk)
        return true;
    showWarning(failureText(result, usedTool, user, lastLine));
    if (result == SuProcess::SwitchRefused) {
        // Typing the right password replaces the wrong one.
        m_passwordField->selectAll();
        m_passwordField->setFocus(Qt::OtherFocusReason);
    }
    return false;
}

QString PrivilegedLauncher::failureText(
    int result, const QString &switchTool, const QByteArray &user, const QByteArray &lastLine) const
{
    // What su or sudo said is shown as text, never as markup, and never at length.
    const QString said = QString::fromLocal8Bit(lastLine).simplified().left(200).toHtmlEscaped();
    switch (result) {
    case SuProcess::SwitchRefused:
        return tr("Incorrect password. Please try again.");
    case SuProcess::SwitchNoCompanion:
        return tr("<qt>The companion program <b>tavrine</b> was not found on the search path, so "
                  "nothing can be run as another user.</qt>");
    case SuProcess::SwitchTimedOut:
        return tr("%1 did not answer in time, so nothing was run.").arg(switchTool);
    case SuProcess::SwitchEchoOn:
        return tr("<qt>%1 asked for <b>%2</b> with the typed text shown on the screen, so the "
                  "password was not typed.</qt>")
            .arg(switchTool, said);
    }
    const QString target = QString::fromLocal8Bit(user).toHtmlEscaped();
    if (said.isEmpty())
        return tr("<qt>%1 did not run the command as <b>%2</b>.</qt>").arg(switchTool, target);
    return tr("<qt>%1 did not run the command as <b>%2</b>. It said:<br>%3</qt>")
        .arg(switchTool, target, said);
}

void PrivilegedLauncher::runInChild(const LaunchPlan &plan, const QByteArray &user)
{
    // The dialog's memory is this process's too: nobody may read it, and the
    // password is kept once, where it is typed.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    QByteArray password = m_passwordField->text().toLocal8Bit();
    wipeLineEdit(m_passwordField);
    // The dialog's X connection, its single-instance lock and socket stay with the dialog.
    PtyProcess::closeDescriptorsFrom(STDERR_FILENO + 1);
    SuProcess run { QByteArray(), QByteArray() };
    configure(&run, plan, user);
    // The su or sudo child is reaped by the process itself, not by a handler.
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    sigprocmask(SIG_BLOCK, &childSignal, nullptr);
    run.setMirrorOutput(true);
    run.setWipePassword(true);
    _exit(run.authenticateAndRun(password.data(), SuProcess::RunCommand));
}

void PrivilegedLauncher::showWarning(const QString &text)
{
    QMessageBox::warning(
        m_window, tr("Warning - Run command"), text, QMessageBox::Ok, QMessageBox::NoButton);
}
