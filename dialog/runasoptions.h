// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RUNASOPTIONS_H
#define RUNASOPTIONS_H

#include "exec/launchplan.h"

#include <QCoreApplication>
#include <QFont>
#include <QObject>
#include <QString>

#include <functional>

class QWidget;
class SpokenStatus;
namespace Ui {
class RoderuzDlgUI;
}

/**
 * The advanced options that say as whom and at which priority a command
 * runs: another user through su or sudo with a password, the priority slider
 * with its two ranges, and real-time scheduling. The fields show what the
 * launch plan decides: when a higher priority or real-time scheduling needs
 * root, they show root, and give the user's own choice back afterwards.
 */
class RunAsOptions
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /**
     * The options of @p form on @p window, which asks its questions; @p status
     * says to screen readers what changes where the user does not look, and
     * @p changed runs whenever what the options ask for changes.
     */
    RunAsOptions(QWidget *window, Ui::RoderuzDlgUI *form, SpokenStatus *status,
        std::function<void()> changed);
    Q_DISABLE_COPY(RunAsOptions)

    /** Fills the user, the tool, the password and the priority of @p options as they stand. */
    void fill(LaunchOptions *options) const;

    // Presets of the command line; the user's later choices override them.

    /** Runs as @p name; the default user found later does not replace the name. */
    void setUser(const QString &name);
    /** Switches real-time scheduling on without asking. */
    void setRealtime();
    /** Moves the priority slider to @p value, clamped to its range. */
    void setPriority(int value);

    /** Returns the options to the state they had when the dialog was built. */
    void reset();

    /** Starts looking for the user to propose (LocalAccounts::defaultTargetUser()). */
    void startDefaultUserLookUp();
    /** Offers the local accounts' names in the user-name field. */
    void installUserNameCompleter();

    /**
     * Shows @p label (with its mnemonic), naming whose password is asked for,
     * as the password field's label, cut short to the labels' column; an
     * empty one shows the form's own label.
     */
    void showPasswordLabel(const QString &label);

private:
    /**
     * Gives the labels of the user name, the password and the priority a
     * column of fixed width, so that the fields beside them stay put.
     */
    void fixOptionLabelColumn();
    /** The priority and scheduling alone, which decide whether root is needed. */
    LaunchOptions priorityOptions() const;
    void initPriorities();
    void setPriorityRange(int low, int high, int value);
    /**
     * Names the slider and the spin box, which show the priority @p value,
     * for screen readers: a nice value says nothing unless compared with the
     * dialog's own, and real-time priorities say which way is higher.
     * Readers do not hear a name change, so the status says a new one while
     * the user is on the controls.
     */
    void namePriority(int value);
    /** Shows root in the fields while it is needed, the user's own choice otherwise. */
    void updateAuthLabel();
    void slotPriority(int value);
    void slotRealtime(bool on);
    void slotChangeUid(bool on);
    void slotChangeScheduler(bool on);

    QWidget *m_window;
    Ui::RoderuzDlgUI *m_form;
    SpokenStatus *m_status;
    // Ends the connections to the form's widgets with the options, which end before the form.
    QObject m_context;
    std::function<void()> m_changed;
    int m_nicePriority = 0;
    int m_realtimePriority = 0;
    SchedulingPolicy m_scheduler = SchedulingPolicy::Normal;
    int m_startNice = 0;
    int m_normalLowEnd = 0;
    int m_normalHighEnd = 0;
    bool m_savedPriorityState = false;
    bool m_quietRealtime = false;
    // What the user chose, kept while root is forced on the fields.
    QString m_savedUser;
    QString m_savedPassword;
    bool m_savedRunAsOther = false;
    bool m_rootForced = false;
    // A user name given with setUser() wins over the default user found later.
    bool m_userPreset = false;
    // The form's own label of the password field.
    QString m_passwordLabelText;
    // The width of the column of the option labels.
    int m_optionLabelWidth = 0;
    // The label that the password label shows now, elided in this font.
    QString m_passwordLabelShown;
    QFont m_passwordLabelFont;
};

#endif
