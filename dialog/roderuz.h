// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RODERUZ_H
#define RODERUZ_H

#include "completion/commandcompleter.h"
#include "exec/calculator.h"
#include "exec/launchplan.h"
#include "exec/terminalchoice.h"
#include "ui_roderuzdlgui.h"

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include <functional>
#include <memory>

class AfterFirstFrame;
class CommandClassifier;
struct DialogSettings;
class IOrvanRunner;
class PrivilegedLauncher;
class QAbstractButton;
class QKeySequence;
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
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
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
    void slotCalculated(
        const QString &expression, const QString &result, Calculator::Outcome outcome);
    void slotClassified();

private:
    /** The options of the dialog as they stand, for a LaunchPlan. */
    LaunchOptions launchOptions() const;
    /** The priority and scheduling options alone, which decide whether root is needed. */
    LaunchOptions priorityOptions() const;
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
    /** Takes @p listed, the first row the completion list offers, as if the user chose it. */
    void takeListedRow(const ListedAlternative &listed);
    /** The first row the completion list offers for the text; of kind None when there is none. */
    CompletionRow listedRow() const;
    /** What taking @p row does, for a LaunchPlan. */
    static ListedAlternative listedAlternative(const CompletionRow &row);
    /** Runs @p plan as another user when su or sudo @p accepted the password. */
    void passwordChecked(const LaunchPlan &plan, bool accepted);
    /** Leaves only Cancel working, with a wait cursor, while a password is checked. */
    void showChecking(bool checking);
    /** After @p plan's command was started: the history, the settings, and the dialog closes. */
    void finishLaunch(const LaunchPlan &plan);
    /**
     * Launches @p plan's command as the caller, or says why it cannot run
     * (a command for another user goes through the privileged launcher).
     *
     * @return 0 when it was started, 1 when nothing was started and a message explained why
     */
    int runCommand(const LaunchPlan &plan);
    void setHint(const QString &hint);
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
    /**
     * Gives the dialog the shortcuts of its options, which act at once and
     * open the advanced options first when they are closed.
     */
    void installOptionShortcuts();
    /** Makes @p key, while the dialog is active, call @p act. */
    void addOptionShortcut(const QKeySequence &key, const std::function<void()> &act);
    /** Clicks @p button for its shortcut; the focus stays where the user types next. */
    void pressOption(QAbstractButton *button);
    /** Focuses @p field for its label's shortcut, ticking @p option first when it is off. */
    void focusOption(QWidget *field, QAbstractButton *option);
    /** Stops the password check; the password stays, selected, for another try. */
    void stopPasswordCheck();
    /**
     * Gives the labels of the user name, the password and the priority a
     * column of fixed width, so that the fields beside them stay put.
     */
    void fixOptionLabelColumn();
    /** Shows @p text as the password label, cut short to the labels' column. */
    void showPasswordLabel(const QString &text);
    /** Focuses the password field when Run waits for a password, else the command field. */
    void focusForPresets();
    void loadRunnerPlugin();
    void startDefaultUserLookUp();
    void initPriorities();
    void setPriorityRange(int low, int high, int value);
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

    int nicePriority = 0;
    int realtimePriority = 0;
    SchedulingPolicy scheduler = SchedulingPolicy::Normal;
    QIcon currentIcon;
    QStringList terminalApps;
    // The completion mode stored, for the completer installed after the first frame.
    QCompleter::CompletionMode storedCompletionMode = QCompleter::PopupCompletion;
    TerminalChoice terminalChoice;
    QTimer *parseTimer = nullptr;
    // Says that the text is being looked at when that takes long.
    QTimer *slowClassificationTimer = nullptr;
    CommandClassifier *classifier = nullptr;
    std::unique_ptr<PrivilegedLauncher> privilegedLauncher;
    // Run was pressed on this text before its classification arrived.
    QString pendingRun;
    // The form's own label of the password field.
    QString passwordLabelText;
    // The width of the column of the option labels.
    int optionLabelWidth = 0;
    // The terminal emulator; empty when none is installed.
    QString terminal;
    // The login name of the user running the dialog.
    const QString caller;
    AfterFirstFrame *deferredStartup = nullptr;
    Calculator *calculator = nullptr;
    // The last expression evaluated and its value, kept for Run.
    QString calculatedExpression;
    QString calculatedResult;
    Calculator::Outcome calculationOutcome = Calculator::NoValue;
    // Run was pressed on an expression whose value had not arrived yet.
    bool calculationWanted = false;
    QWidget *savedFocus = nullptr;
    IOrvanRunner *runner = nullptr;
    QString savedUser;
    QString savedPassword;
    bool savedRunAsOther = false;
    bool rootForced = false;
    int startNice = 0;
    int normalLowEnd = 0;
    int normalHighEnd = 0;
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
