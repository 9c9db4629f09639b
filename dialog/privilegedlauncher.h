// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PRIVILEGEDLAUNCHER_H
#define PRIVILEGEDLAUNCHER_H

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <memory>

class LaunchPlan;
class QLineEdit;
class QWidget;

/**
 * Runs a LaunchPlan's command as another user: su or sudo check the password
 * on a thread of its own while the window goes on working, then a process of
 * its own, made with two forks so that the dialog never has to reap it, runs
 * the command through them.
 */
class PrivilegedLauncher
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /** Messages go to @p window; the password is read from @p passwordField. */
    PrivilegedLauncher(QWidget *window, QLineEdit *passwordField);
    /** Cancels a check that still runs. */
    ~PrivilegedLauncher();
    Q_DISABLE_COPY(PrivilegedLauncher)

    /**
     * Starts checking the password for @p plan, a StartAsOther plan, unless
     * its user does not exist. @p checked then runs on the GUI thread with
     * whether the command may run; when it may not, a message says why next.
     * @return whether the check started; when not, a message said why
     */
    bool check(const LaunchPlan &plan, std::function<void(bool accepted)> checked);
    /** Whether a check runs. */
    bool isChecking() const { return static_cast<bool>(m_running); }
    /** Ends a running check at once; its callback is not called. */
    void cancel();

    /**
     * Runs @p plan's command through su or sudo, whose password was checked.
     * @return 0 when the command was started, -1 when the process could not be forked
     */
    int run(const LaunchPlan &plan);

    struct Check;

private:
    void checkFinished(const Check &check);
    static QString lineBreakText(int value);
    static QString failureText(const Check &check);
    [[noreturn]] void runInChild(const LaunchPlan &plan, const QByteArray &user);
    void showWarning(const QString &text);

    QWidget *m_window;
    QLineEdit *m_passwordField;
    std::shared_ptr<Check> m_running;
    std::function<void(bool accepted)> m_checked;
};

/**
 * Overwrites the text of @p field where it is kept, unless it is shared
 * beyond the field (a history entry, a constant), then empties the field.
 * The field's undo records, one character each, stay until it is deleted.
 */
void wipeLineEdit(QLineEdit *field);

#endif
