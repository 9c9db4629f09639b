// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PRIVILEGEDLAUNCHER_H
#define PRIVILEGEDLAUNCHER_H

#include <QCoreApplication>
#include <QString>

class LaunchPlan;
class QLineEdit;
class QWidget;
class SuProcess;

/**
 * Runs a LaunchPlan's command as another user: su or sudo check the password
 * in the dialog's process, then a process of its own, made with two forks so
 * that the dialog never has to reap it, runs the command through them.
 */
class PrivilegedLauncher
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /** Messages go to @p window; the password is read from @p passwordField. */
    PrivilegedLauncher(QWidget *window, QLineEdit *passwordField);

    /**
     * Launches @p plan, a StartAsOther plan.
     * @return 0 when the command was started, 1 when nothing was started (a
     *         message said why), -1 when the process could not be forked
     */
    int launch(const LaunchPlan &plan);

private:
    bool passwordAccepted(const LaunchPlan &plan, const QByteArray &user);
    QString failureText(int result, const QString &switchTool, const QByteArray &user,
        const QByteArray &lastLine) const;
    [[noreturn]] void runInChild(const LaunchPlan &plan, const QByteArray &user);
    void showWarning(const QString &text);

    QWidget *m_window;
    QLineEdit *m_passwordField;
};

/** Overwrites the text of @p field where it is kept, then empties the field. */
void wipeLineEdit(QLineEdit *field);

#endif
