// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RODERUZ_H
#define RODERUZ_H

#include "exec/commandparser.h"
#include "exec/terminal.h"
#include "ui_roderuzdlgui.h"

#include <QDialog>
#include <QIcon>
#include <QStringList>

class AfterFirstFrame;
class Calculator;
class IOrvanRunner;
class QAbstractButton;
class QKeySequence;
class QTimer;
class SuProcess;

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

    // The presets below concern the advanced options: each reads the settings
    // first (completeStartup()), so that they cannot override it later.

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

    /**
     * Does now what otherwise waits until the dialog's first frame is drawn:
     * reads the settings and the history, installs the completers and starts
     * looking for the default user. Does nothing the second time.
     */
    void completeStartup();

    /** Shows the current command icon. */
    void updateIcon();
    /** Returns the dialog to the state it had when it was built. */
    void resetDialog();
    /** Resizes the dialog to its minimum size hint unless it is maximized. */
    virtual void adjustDialogSize();

    /**
     * Makes dialogs built afterwards look for their runner plug-in in
     * @p directory instead of kav-run's plug-in folder. Only tests call it.
     */
    static void setRunnerPluginDirectory(const QString &directory);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
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
    void updateHint();
    void slotCalculated(const QString &expression, const QString &result);

private:
    /**
     * Launches the command of the field: as the current user, or through su
     * or sudo when needsPrivileges().
     *
     * @return 0 when it was started, 1 when nothing was started (the field is
     *         empty or a message explained why), -1 when the process for
     *         another user could not be forked
     */
    int runCommand();
    /** @return the result of runCommand() for a start as the current user */
    int runPlain(const QString &command, bool inTerminal);
    /** @return the result of runCommand() for a start through su or sudo */
    int runPrivileged(const QString &command, bool inTerminal);
    /**
     * The command line that starts @p command as the current user: the opener
     * for addresses and documents, the expanded Exec value of a desktop entry.
     * Outside a terminal a typed "~" is expanded here, inside one the
     * terminal's shell expands it.
     *
     * @return the line, or a null string when the command cannot be run
     */
    QString plainCommandLine(const QString &command, bool inTerminal) const;
    /** The parsed desktop entry's command line with the typed @p arguments, for @p consumer. */
    QString desktopEntryCommandLine(const QString &arguments, LineConsumer consumer) const;
    /** Starts @p commandLine detached. @return whether it started; a message explains a failure */
    bool startDetached(const QString &commandLine);
    /**
     * The command line that starts a terminal running @p command, with
     * @p command escaped so that @p consumer passes it on unchanged. The
     * command joins the terminal applications.
     */
    QString terminalCommand(
        const QString &command, LineConsumer consumer = LineConsumer::DetachedStart);
    /** What Run would do with @p command, for the hint line; empty when that is not known yet. */
    QString runHint(const QString &command) const;
    /** What the plain path does with @p command, which it can run. */
    QString plainRunHint(const QString &command) const;
    /** Whether the command runs as another user or with real-time scheduling. */
    bool needsPrivileges() const;
    /** Gives @p process the switch tool, the target user and the priority options. */
    void configureSwitch(
        SuProcess *process, const QString &switchTool, const QByteArray &user) const;
    /** Whether su or sudo accepts the typed password for @p user; a message explains a refusal. */
    bool passwordAccepted(const QString &switchTool, const QByteArray &user);
    /** The message for a SuProcess::SwitchResult other than SwitchOk. */
    QString switchFailureText(int result, const QString &switchTool, const QByteArray &user,
        const QByteArray &lastLine) const;
    /** In the forked child: runs @p commandLine as @p user and ends the process. */
    [[noreturn]] void runInForkedChild(
        const QString &switchTool, const QByteArray &user, const QByteArray &commandLine) const;
    void showWarning(const QString &text);
    void showError(const QString &text);

    /**
     * Gives @p button, whose text does not say what it does, the keyboard
     * @p shortcut, @p description as its name for screen readers, and a tool
     * tip naming both.
     */
    void describeButton(
        QAbstractButton *button, const QString &description, const QKeySequence &shortcut);
    /** Opens the advanced options as the Advanced button does, unless they are open. */
    void openAdvancedOptions();
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
    AfterFirstFrame *deferredStartup = nullptr;
    Calculator *calculator = nullptr;
    // The last expression evaluated and its value, kept for Run.
    QString calculatedExpression;
    QString calculatedResult;
    // Run was pressed on an expression whose value had not arrived yet.
    bool calculationWanted = false;
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
    // The panel was opened before the dialog was on the screen.
    bool advancedSizePending = false;
    // A user name given with setUser() wins over the default user found later.
    bool userPreset = false;

    friend class RoderuzTest;
    friend class RoderuzRunTest;
    friend class RoderuzAsUserTest;
};

#endif
