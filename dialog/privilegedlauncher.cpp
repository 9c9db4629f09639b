// SPDX-License-Identifier: GPL-2.0-or-later
#include "privilegedlauncher.h"

#include "core/backgroundthreadpool.h"
#include "exec/launchdescription.h"
#include "exec/launchplan.h"
#include "su/suprocess.h"

#include <QAbstractEventDispatcher>
#include <QFutureWatcher>
#include <QLineEdit>
#include <QMessageBox>
#include <QtConcurrent>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

// What a password check found, and how another thread cancels it.
struct PrivilegedLauncher::Check
{
    std::mutex mutex;
    SuProcess *process = nullptr;
    bool cancelled = false;

    // Written by the checking thread before it ends.
    QByteArray user;
    int result = SuProcess::SwitchFailed;
    StubProcess::ExchangedValue lineBreak = StubProcess::NoValue;
    QString tool;
    QByteArray lastLine;
};

// Hands @p plan to @p process as it is: tool, user, command, priority.
static void configure(SuProcess *process, const LaunchPlan &plan, const QByteArray &user)
{
    process->setSwitchTool(plan.switchTool());
    process->setTargetUser(user);
    process->setCommandLine(plan.commandLines().value(0).toLocal8Bit());
    process->setPriorityValue(plan.priority());
    process->setSchedulingPolicy(static_cast<int>(plan.schedulingPolicy()));
}

// On the checking thread: su or sudo verify @p password (wiped afterwards) for
// @p plan, unless a value for the companion holds a line break.
static void runCheck(PrivilegedLauncher::Check *check, const LaunchPlan &plan, QByteArray password)
{
    SuProcess process { QByteArray(), QByteArray() };
    configure(&process, plan, check->user);
    {
        const std::lock_guard<std::mutex> lock(check->mutex);
        if (check->cancelled) {
            PtyProcess::wipeBytes(password);
            return;
        }
        check->process = &process;
    }
    check->result = process.verifyPassword(password.constData());
    PtyProcess::wipeBytes(password);
    const std::lock_guard<std::mutex> lock(check->mutex);
    check->process = nullptr;
    if (check->result == SuProcess::SwitchLineBreak)
        check->lineBreak = process.valueWithLineBreak();
    check->tool = process.switchTool();
    check->lastLine = process.lastLine();
}

void wipeLineEdit(QLineEdit *field)
{
    // The copy shares the field's own buffer, so writing it writes the field's.
    QString text = field->text();
    if (!text.isEmpty() && text.data_ptr()->ref.atomic.loadRelaxed() == 2)
        explicit_bzero(const_cast<QChar *>(text.constData()), size_t(text.size()) * sizeof(QChar));
    field->clear();
}

PrivilegedLauncher::PrivilegedLauncher(QWidget *window, QLineEdit *passwordField)
    : m_window(window)
    , m_passwordField(passwordField)
{ }

PrivilegedLauncher::~PrivilegedLauncher()
{
    cancel();
}

bool PrivilegedLauncher::check(const LaunchPlan &plan, std::function<void(bool accepted)> checked)
{
    // The caller's own name stands in for a user not asked for, and the system may not know it.
    if (plan.targetUser().isEmpty()) {
        QMessageBox::critical(m_window, tr("Error - Run command"), tr("You do not exist!"),
            QMessageBox::Ok, QMessageBox::NoButton);
        return false;
    }
    const passwd *entry = getpwnam(plan.targetUser().toLocal8Bit().constData());
    if (!entry) {
        showWarning(tr("<qt>The user <b>%1</b> does not exist on this system.</qt>")
                        .arg(plan.targetUser()));
        return false;
    }
    cancel();
    auto running = std::make_shared<Check>();
    running->user = entry->pw_name;
    m_running = running;
    m_checked = std::move(checked);
    auto *watcher = new QFutureWatcher<void>(m_window);
    QObject::connect(watcher, &QFutureWatcher<void>::finished, m_window, [this, watcher, running] {
        watcher->deleteLater();
        if (running == m_running)
            checkFinished(*running);
    });
    // su and sudo may take their time, or never answer.
    static QThreadPool *const passwordChecks = newBackgroundThreadPool(2);
    watcher->setFuture(QtConcurrent::run(
        passwordChecks, [running, plan, password = m_passwordField->text().toLocal8Bit()] {
            runCheck(running.get(), plan, password);
        }));
    return true;
}

void PrivilegedLauncher::cancel()
{
    if (!m_running)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_running->mutex);
        m_running->cancelled = true;
        if (m_running->process)
            m_running->process->cancel();
    }
    m_running.reset();
    m_checked = nullptr;
}

void PrivilegedLauncher::checkFinished(const Check &check)
{
    const std::function<void(bool)> checked = std::move(m_checked);
    m_running.reset();
    m_checked = nullptr;
    const bool accepted =
        check.lineBreak == StubProcess::NoValue && check.result == SuProcess::SwitchOk;
    checked(accepted);
    if (accepted)
        return;
    if (check.lineBreak != StubProcess::NoValue) {
        showWarning(lineBreakText(check.lineBreak));
        return;
    }
    showWarning(failureText(check));
    if (check.result == SuProcess::SwitchRefused) {
        // Typing the right password replaces the wrong one.
        m_passwordField->selectAll();
        m_passwordField->setFocus(Qt::OtherFocusReason);
    }
}

QString PrivilegedLauncher::lineBreakText(int value)
{
    switch (value) {
    case StubProcess::CommandLineValue:
        return LaunchDescription::refusalMessage(LaunchPlan::LineBreakInCommand);
    case StubProcess::TargetUserValue:
        return LaunchDescription::refusalMessage(LaunchPlan::LineBreakInUser);
    case StubProcess::SearchPathValue:
        return tr("The search path (PATH) holds a line break, so nothing was run.");
    case StubProcess::DisplayValue:
        return tr("The name of the display (DISPLAY) holds a line break, so nothing was run.");
    case StubProcess::DisplayAuthorityValue:
        return tr("The display's authority entry holds a line break, so nothing was run.");
    default:
        return tr("<qt>The folder of the companion program <b>tavrine</b> holds a line break, "
                  "so nothing was run.</qt>");
    }
}

QString PrivilegedLauncher::failureText(const Check &check)
{
    const QString &switchTool = check.tool;
    // What su or sudo said is shown as text, never as markup, and never at length.
    const QString said =
        QString::fromLocal8Bit(check.lastLine).simplified().left(200).toHtmlEscaped();
    switch (check.result) {
    case SuProcess::SwitchRefused:
        return tr("Incorrect password. Please try again.");
    case SuProcess::SwitchNoCompanion:
        return tr("<qt>The companion program <b>tavrine</b> was not found, so nothing can be run "
                  "as another user.</qt>");
    case SuProcess::SwitchToolMissing:
        return tr("<qt><b>%1</b> is not installed: it was not found on the search path, so "
                  "nothing can be run as <b>%2</b>.</qt>")
            .arg(switchTool, QString::fromLocal8Bit(check.user).toHtmlEscaped());
    case SuProcess::SwitchTimedOut:
        return tr("%1 did not answer in time, so nothing was run.").arg(switchTool);
    case SuProcess::SwitchEchoOn:
        return tr("<qt>%1 asked for <b>%2</b> with the typed text shown on the screen, so the "
                  "password was not typed.</qt>")
            .arg(switchTool, said);
    }
    const QString target = QString::fromLocal8Bit(check.user).toHtmlEscaped();
    if (said.isEmpty())
        return tr("<qt>%1 did not run the command as <b>%2</b>.</qt>").arg(switchTool, target);
    return tr("<qt>%1 did not run the command as <b>%2</b>. It said:<br>%3</qt>")
        .arg(switchTool, target, said);
}

int PrivilegedLauncher::run(const LaunchPlan &plan)
{
    const passwd *entry = getpwnam(plan.targetUser().toLocal8Bit().constData());
    if (!entry)
        return -1;
    const QByteArray user = entry->pw_name;
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
