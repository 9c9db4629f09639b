// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RODERUZ_H
#define RODERUZ_H

#include "exec/commandparser.h"
#include "ui_roderuzdlgui.h"

#include <QDialog>
#include <QIcon>
#include <QStringList>

class IOrvanRunner;
class QTimer;

/**
 * The run dialog: a command field with its icon, the run-in-terminal box and
 * the advanced options (another user through su or sudo, priority, real-time
 * scheduling). Run launches the command, Cancel and Escape close the dialog.
 */
class Roderuz : public QDialog, private Ui::RoderuzDlgUI
{
    Q_OBJECT

public:
    explicit Roderuz(QWidget *parent = nullptr);
    ~Roderuz() override;

    /**
     * Puts @p text into the command field; when it holds a blank after its
     * first character, everything after the first blank is selected.
     */
    void setCommandText(const QString &text);

    /** Runs the command as @p name and opens the advanced options. */
    void setUser(const QString &name);
    /** Makes su the way to change user. */
    void setUseSu();
    /** Makes sudo the way to change user. */
    void setUseSudo();
    /** Switches real-time scheduling on without asking and opens the advanced options. */
    void setRealtime();
    /** Moves the priority slider to @p value (clamped to its range) and opens the advanced options.
     */
    void setPriority(int value);
    /** Ticks or unticks the run-in-terminal box; nothing happens while it is disabled. */
    void setRunInTerminal(bool on);

    /** Shows the current command icon. */
    void updateIcon();
    /** Returns the dialog to the state it had when it was built. */
    void resetDialog();
    /** Resizes the dialog to its minimum size hint unless it is maximized. */
    virtual void adjustDialogSize();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

protected Q_SLOTS:
    void accept() override;
    void reject() override;
    void updateAuthLabel();

private Q_SLOTS:
    void slotAdvanced();
    void slotParseTimer();
    void slotPriority(int);
    void slotRealtime(bool);
    void slotTerminal(bool);
    void slotChangeUid(bool);
    void slotChangeScheduler(bool);
    void slotCmdChanged(const QString &);
    void showHelp();
    void selectCommandFile();
    void selectCommandFromMenu();
    void setExpandingSizePolicyForAdvancedWidget();
    void updateRunButton();

private:
    void loadRunnerPlugin();
    void startDefaultUserLookUp();
    void initPriorities();
    void setPriorityRange(int low, int high, int value);
    void updateCommand(bool forRun);
    bool rootNeeded() const;
    void loadSettings();
    /** Writes the settings; false when the settings file could not be written. */
    bool saveSettings();

    int nicePriority;
    int realtimePriority;
    int scheduler = 0;
    QIcon currentIcon;
    QStringList terminalApps;
    QTimer *parseTimer = nullptr;
    QWidget *savedFocus = nullptr;
    IOrvanRunner *runner = nullptr;
    CommandParser parser;
    QString savedUser;
    QString savedPassword;
    bool savedRunAsOther = false;
    bool rootForced = false;
    bool autoTerminal = false;
    bool terminalDeclined = false;
    int startNice;
    int normalLowEnd;
    int normalHighEnd;
    bool savedPriorityState = false;
    bool quietRealtime = false;
    // A user name given with setUser() wins over the default user found later.
    bool userPreset = false;

    friend class RoderuzTest;
};

#endif
