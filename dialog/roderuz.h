// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RODERUZ_H
#define RODERUZ_H

#include "completion/commandcompleter.h"
#include "exec/launchplan.h"
#include "exec/terminalchoice.h"
#include "ui_roderuzdlgui.h"

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include <memory>

class AdvancedPanel;
class AfterFirstFrame;
class CommandClassifier;
struct DialogSettings;
class IOrvanRunner;
class InPlaceCalculation;
class ListedRows;
class OptionShortcuts;
class PrivilegedLauncher;
class QTimer;
class RunAsOptions;
class SpokenStatus;

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

    // The presets below concern the advanced options; they override the
    // settings, which the dialog has read when it was built.

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
     * reads the usage record, installs the completers and starts looking for
     * the default user. Does nothing the second time.
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
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

protected Q_SLOTS:
    void accept() override;
    void reject() override;

private Q_SLOTS:
    void slotAdvanced();
    void slotParseTimer();
    void slotTerminal(bool);
    void slotCmdChanged(const QString &);
    void showHelp();
    void selectCommandFile();
    void selectCommandFromMenu();
    void updateRunButton();
    void slotClassified();

private:
    /** The options of the dialog as they stand, for a LaunchPlan. */
    LaunchOptions launchOptions() const;
    /**
     * What Run would do with the field's text now; while the text is still
     * being looked at, what it would do with no text (which still says as
     * whom a command would run).
     */
    LaunchPlan currentPlan() const;
    /** Shows what Run would do: the terminal box, the icon, the hint, the password label. */
    void refreshPlan();
    /** Whether the classification at hand is the one of the field's text. */
    bool classificationIsCurrent() const;
    /** The field's text as a command: simplified, so that blanks alone are none. */
    QString commandText() const;
    /** The first word of the field's text. */
    QString typedProgram() const;
    /** Runs the field's text now that its classification is known. */
    void launch();
    /** What Run does in the empty field: the last command again, as the hint says. */
    void runLastCommand();
    /** Runs @p plan as another user when su or sudo @p accepted the password. */
    void passwordChecked(const LaunchPlan &plan, bool accepted);
    /** Leaves only Cancel working, with a wait cursor, while a password is checked. */
    void showChecking(bool checking);
    /** After @p plan's command was started: the history, the settings, and the dialog closes. */
    void finishLaunch(const LaunchPlan &plan);
    void setHint(const QString &hint);
    void showWarning(const QString &text);

    /** Opens the advanced options as the Advanced button does, unless they are open. */
    void openAdvancedOptions();
    /** Stops the password check; the password stays, selected, for another try. */
    void stopPasswordCheck();
    /** Focuses the password field when Run waits for a password, else the command field. */
    void focusForPresets();
    void loadRunnerPlugin();
    /** Shows @p settings: the history, the way to change user, the terminal applications. */
    void loadSettings(const DialogSettings &settings);
    /** Installs the completers of the command field and of the user name. */
    void installCompleters();
    /** Writes the settings; false, with @p error saying why, when the file could not be written. */
    bool saveSettings(QString *error = nullptr);
    /** Writes the history alone. */
    void saveHistory();
    /** Tells the user, once in the process's life, that @p problems kept something from being
     * saved. */
    void tellUnsaved(const QStringList &problems);

    QIcon currentIcon;
    QStringList terminalApps;
    // The completion mode stored, for the completer installed after the first frame.
    QCompleter::CompletionMode storedCompletionMode = QCompleter::PopupCompletion;
    TerminalChoice terminalChoice;
    QTimer *parseTimer = nullptr;
    // Says to screen readers what changes where the user does not look.
    SpokenStatus *spokenStatus = nullptr;
    // Says that the text is being looked at when that takes long.
    QTimer *slowClassificationTimer = nullptr;
    CommandClassifier *classifier = nullptr;
    std::unique_ptr<PrivilegedLauncher> privilegedLauncher;
    // Run was pressed on this text before its classification arrived.
    QString pendingRun;
    // The terminal emulator; empty when none is installed.
    QString terminal;
    // The login name of the user running the dialog.
    const QString caller;
    AfterFirstFrame *deferredStartup = nullptr;
    InPlaceCalculation *calculation = nullptr;
    IOrvanRunner *runner = nullptr;
    // As whom and at which priority a command runs.
    std::unique_ptr<RunAsOptions> runAsOptions;
    std::unique_ptr<AdvancedPanel> advancedPanel;
    std::unique_ptr<OptionShortcuts> optionShortcuts;
    ListedRows *listedRows = nullptr;

    friend class RoderuzTest;
    friend class RoderuzRunTest;
    friend class RoderuzAsUserTest;
};

#endif
