// SPDX-License-Identifier: GPL-2.0-or-later
#include "roderuz.h"

#include "advancedpanel.h"
#include "afterfirstframe.h"
#include "callerlauncher.h"
#include "commandclassifier.h"
#include "completion/commandcompleter.h"
#include "completion/historybox.h"
#include "completion/usagerecord.h"
#include "desktop/cachedthemeicon.h"
#include "desktop/kavdesktop.h"
#include "desktop/kavmenudialog.h"
#include "desktop/settingsstore.h"
#include "dialogsettings.h"
#include "disclosurebutton.h"
#include "exec/executablefilechooser.h"
#include "exec/iorvanrunner.h"
#include "exec/launchdescription.h"
#include "exec/runnerpluginloader.h"
#include "exec/terminal.h"
#include "inplacecalculation.h"
#include "listedrows.h"
#include "localaccounts.h"
#include "optionshortcuts.h"
#include "passwordaccessibility.h"
#include "privilegedlauncher.h"
#include "runasoptions.h"
#include "spokenstatus.h"
#include "su/xdisplayauthority.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>

#include <future>
#include <limits>

static const int parseDelay = 250;
// How long Run waits, with the window still, for the typed text to be looked
// at; a file system that takes longer gets its answer while the window works.
static const int runWaitMs = 1000;
// How long looking at the text may take before the hint says so.
static const int slowClassificationMs = 1000;
// How long a window waits before it shows for a look at the text preset in
// it; a file that does not answer that soon is reported as a typed one is.
static const int presetClassificationMs = 50;

static QString &runnerPluginDirectory()
{
    static QString directory = QStringLiteral(KAVRUN_PLUGIN_DIR);
    return directory;
}

Roderuz::Roderuz(QWidget *parent)
    : QDialog(parent)
    , caller(LocalAccounts::callerName())
{
    // The settings are read while the form is built; where no thread can be
    // started, when they are needed.
    std::future<DialogSettings> storedSettings =
        std::async(std::launch::async | std::launch::deferred, &DialogSettings::readForFirstFrame);
    setWindowTitle(tr("Run Command"));
    // What window managers' rules can know the dialog by.
    setWindowRole(QStringLiteral("kav-run"));
    setupUi(this);
    PasswordAccessibility::install();
    spokenStatus = new SpokenStatus(this);
    DisclosureButton::describe(pbOptions, advancedOptionsWidget);
    // A line edit cuts text at 32767 characters without a word; a command cut
    // short would start something other than what was pasted.
    cbCommand->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // The list of completions opens below the hint line, which stays readable.
    cbCommand->setCompletionAnchor(lbHint);
    Ui::RoderuzDlgUI *const form = this;
    classifier = new CommandClassifier(this);
    privilegedLauncher = std::make_unique<PrivilegedLauncher>(this, lePassword);
    advancedPanel = std::make_unique<AdvancedPanel>(this, form);
    listedRows = new ListedRows(cbCommand);

    advancedOptionsScrollArea->trackWidget();
    loadRunnerPlugin();
    installRunner(runner, orvanWidget, { cbRunInTerminal, cbRunAsOther, cbPriority, cbRealtime },
        cbRealtime, pbRun);

    connect(selectCommandFileButton, &QToolButton::clicked, this, &Roderuz::selectCommandFile);
    // "start-here" is the freedesktop name of the applications menu's icon.
    selectFromMenuButton->setIcon(cachedThemeIcon(
        { QStringLiteral("kavmenuedit"), QStringLiteral("start-here"),
            QStringLiteral("applications-other"), QStringLiteral("application-x-executable") },
        selectFromMenuButton->iconSize().width()));
    connect(selectFromMenuButton, &QToolButton::clicked, this, &Roderuz::selectCommandFromMenu);
    optionShortcuts = std::make_unique<OptionShortcuts>(
        this, form, [this] { return privilegedLauncher->isChecking(); },
        [this] {
            if (!advancedPanel->isOpen())
                slotAdvanced();
        });

    terminal = terminalProgram();
    if (terminal.isEmpty())
        cbRunInTerminal->setEnabled(false);

    lbRunIcon->setPixelMetricForIconSize(QStyle::PM_LargeIconSize);
    pbOptions->setText(tr("&Advanced >>"));
    advancedOptionsWidget->hide();

    parseTimer = new QTimer(this);
    parseTimer->setSingleShot(true);
    slowClassificationTimer = new QTimer(this);
    slowClassificationTimer->setSingleShot(true);
    slowClassificationTimer->setInterval(slowClassificationMs);
    calculation = new InPlaceCalculation(cbCommand->lineEdit());

    connect(pbRun, &QPushButton::clicked, this, &Roderuz::accept);
    connect(pbCancel, &QPushButton::clicked, this, &Roderuz::reject);
    connect(pbOptions, &QPushButton::clicked, this, &Roderuz::slotAdvanced);
    connect(parseTimer, &QTimer::timeout, this, &Roderuz::slotParseTimer);
    connect(cbCommand, &QComboBox::editTextChanged, this, &Roderuz::slotCmdChanged);
    connect(cbRunInTerminal, &QCheckBox::clicked, this, &Roderuz::slotTerminal);
    connect(calculation, &InPlaceCalculation::valueArrived, this, &Roderuz::refreshPlan);
    connect(classifier, &CommandClassifier::classified, this, &Roderuz::slotClassified);
    // Clearing is done at once: the user asked for it, whatever the dialog does next.
    connect(cbCommand, &HistoryBox::historyCleared, this, &Roderuz::saveHistory);
    // The hint offers the last command no more.
    connect(cbCommand, &HistoryBox::historyCleared, this, &Roderuz::refreshPlan);
    connect(cbCommand, &HistoryBox::applicationsNamed, this, &Roderuz::refreshPlan);
    connect(slowClassificationTimer, &QTimer::timeout, this, [this] {
        //: The hint while the file that the text names does not answer
        setHint(tr("Looking at %1 ...").arg(typedProgram()));
    });

    runAsOptions =
        std::make_unique<RunAsOptions>(this, form, spokenStatus, [this] { refreshPlan(); });

    auto *helpAction = new QAction(tr("Help"), this);
    helpAction->setShortcuts(QKeySequence::HelpContents);
    connect(helpAction, &QAction::triggered, this, &Roderuz::showHelp);
    addAction(helpAction);

    // The first frame shows the latest command, and with it what Enter does
    // in the empty field. A long history is parsed whole after that frame:
    // on a thread, it would take the processor from the window.
    const DialogSettings firstFrameSettings = storedSettings.get();
    loadSettings(firstFrameSettings);
    const bool historyComplete = firstFrameSettings.historyComplete;
    refreshPlan();
    // The rest of the history, the completers and the default user show in
    // no first frame; a key typed before they are there waits for them.
    deferredStartup = new AfterFirstFrame(this, [this, historyComplete] {
        // Only the history: the other settings were read whole, and presets
        // applied since then stand.
        if (!historyComplete) {
            const DialogSettings whole = DialogSettings::read();
            const QSignalBlocker blocker(cbCommand);
            cbCommand->replaceItems(whole.history, whole.historyApplications);
        }
        installCompleters();
        runAsOptions->startDefaultUserLookUp();
        // What Enter takes when the text cannot run depends on the list.
        refreshPlan();
    });
    deferredStartup->runBeforeInputTo(cbCommand->lineEdit());
    // Its list opens with the whole history.
    deferredStartup->runBeforeInputTo(cbCommand);
    resize(minimumSizeHint());
}

Roderuz::~Roderuz()
{
    // The widgets go first: what they report on their way reaches members still there.
    qDeleteAll(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
}

void Roderuz::setCommandText(const QString &text)
{
    QLineEdit *edit = cbCommand->lineEdit();
    edit->setText(text);
    edit->deselect();
    const int blank = text.indexOf(QLatin1Char(' '));
    if (blank > 0)
        edit->setSelection(blank + 1, text.length() - blank - 1);
    // A text preset before the window shows is looked at while the window is
    // made ready; showing it waits for the look (showEvent()).
    if (!isVisible() && !text.trimmed().isEmpty())
        classifier->classify(text, cbCommand->chosenEntry());
}

void Roderuz::completeStartup()
{
    deferredStartup->run();
}

void Roderuz::setUser(const QString &name)
{
    completeStartup();
    runAsOptions->setUser(name);
    openAdvancedOptions();
}

void Roderuz::setUseSu()
{
    completeStartup();
    rbSu->setChecked(true);
    focusForPresets();
}

void Roderuz::setUseSudo()
{
    completeStartup();
    rbSudo->setChecked(true);
    focusForPresets();
}

void Roderuz::setRealtime()
{
    completeStartup();
    runAsOptions->setRealtime();
    openAdvancedOptions();
}

void Roderuz::setPriority(int value)
{
    completeStartup();
    runAsOptions->setPriority(value);
    openAdvancedOptions();
}

void Roderuz::openAdvancedOptions()
{
    focusForPresets();
    if (!advancedPanel->isOpen())
        slotAdvanced();
}

void Roderuz::stopPasswordCheck()
{
    privilegedLauncher->cancel();
    showChecking(false);
    lePassword->setFocus(Qt::OtherFocusReason);
    lePassword->selectAll();
}

void Roderuz::focusForPresets()
{
    // Presets come before the dialog shows, and the user types next what Run
    // still waits for: a password typed at once must not land in the command.
    if (currentPlan().awaitsPassword())
        lePassword->setFocus(Qt::OtherFocusReason);
    else
        cbCommand->setFocus(Qt::OtherFocusReason);
}

void Roderuz::setRunInTerminal(bool on)
{
    if (!cbRunInTerminal->isEnabled())
        return;
    // As if the user had clicked the box for the text preset.
    terminalChoice.setByHand(on, typedProgram());
    refreshPlan();
}

void Roderuz::updateIcon()
{
    lbRunIcon->setIcon(currentIcon);
}

void Roderuz::resetDialog()
{
    if (advancedPanel->isOpen())
        slotAdvanced();

    {
        const QSignalBlocker blocker(cbCommand);
        // What was typed and not run is nobody's business once the dialog is gone.
        wipeLineEdit(cbCommand->lineEdit());
        cbCommand->setFocus(Qt::OtherFocusReason);
        cbCommand->clear();
    }
    cbRunInTerminal->setChecked(false);
    advancedPanel->forgetFocus();
    calculation->textChanged();
    terminalChoice.reset();
    pendingRun.clear();
    parseTimer->stop();
    // Last: the options show the plan, which reads what is reset above.
    runAsOptions->reset();
    updateIcon();
}

void Roderuz::adjustDialogSize()
{
    if (!isMaximized())
        resize(minimumSizeHint());
}

void Roderuz::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && privilegedLauncher->isChecking()) {
        // A check that hangs or was started too soon is not the end of the
        // dialog; a second Escape is.
        event->accept();
        stopPasswordCheck();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        // Cancelling through the button lets the user see what happens.
        event->accept();
        pbCancel->animateClick(100);
        return;
    }
    QDialog::keyPressEvent(event);
}

void Roderuz::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // A Wayland compositor may send the first keys before it activates the
    // window; they go to the focus widget, which the command field is by then.
    if (!focusWidget())
        cbCommand->setFocus(Qt::OtherFocusReason);
    // A text preset before the window shows is looked at now rather than
    // after the typing pause, so that the first frame says what Run does.
    if (parseTimer->isActive()) {
        parseTimer->stop();
        slotParseTimer();
        // Its arrival draws the plan once.
        classifier->waitFor(commandText(), cbCommand->chosenEntry(), presetClassificationMs);
    }
    // Options opened before the dialog showed take their height now, before
    // the window is on the screen, where it is placed again.
    if (advancedPanel->settleBeforeShow())
        adjustPosition(parentWidget());
}

void Roderuz::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        adjustDialogSize();
}

void Roderuz::accept()
{
    // The usage record and the completion list take part in what follows.
    completeStartup();
    if (privilegedLauncher->isChecking())
        return;
    const QString text = commandText();
    // Blanks alone are no command, whatever the text before them was.
    if (text.isEmpty()) {
        runLastCommand();
        return;
    }
    // Cleared first: the classification delivered by the wait must not launch it again.
    pendingRun.clear();
    if (!classifier->waitFor(text, cbCommand->chosenEntry(), runWaitMs)) {
        // It runs when its file answers, unless the text changes first.
        pendingRun = text;
        return;
    }
    launch();
}

void Roderuz::runLastCommand()
{
    const LaunchPlan plan = currentPlan();
    if (plan.action() != LaunchPlan::RunLastCommand || !plan.canRun())
        return;
    if (plan.awaitsPassword()) {
        lePassword->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Recalled as Up would, it runs as it ran: an application by its entry.
    cbCommand->recallHistoryEntry(0);
    accept();
}

void Roderuz::launch()
{
    parseTimer->stop();
    LaunchOptions options = launchOptions();
    if (runner && runner->isActive())
        options.wrapCommand = [this](const QString &line) { return runner->wrapCommand(line); };
    const LaunchPlan plan(classifier->latest(), options);
    if (!plan.canRun())
        return;

    if (plan.action() == LaunchPlan::Calculate) {
        calculation->putIntoField(plan);
        return;
    }
    if (plan.action() == LaunchPlan::TakeListedRow) {
        if (listedRows->take(plan.listed()))
            accept();
        return;
    }
    if (plan.action() == LaunchPlan::TypePassword) {
        // Nothing is checked without a password: what is typed next goes where it belongs.
        lePassword->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (plan.action() == LaunchPlan::StartAsOther) {
        if (privilegedLauncher->check(
                plan, [this, plan](bool accepted) { passwordChecked(plan, accepted); }))
            showChecking(true);
        return;
    }
    if (plan.action() != LaunchPlan::CloseOnly && !CallerLauncher::run(plan, this))
        return;
    finishLaunch(plan);
}

void Roderuz::passwordChecked(const LaunchPlan &plan, bool accepted)
{
    showChecking(false);
    if (!accepted)
        return;
    // A failed fork has nothing to show but that nothing ran; the dialog closes all the same.
    privilegedLauncher->run(plan);
    finishLaunch(plan);
}

void Roderuz::showChecking(bool checking)
{
    // Only Cancel works while su or sudo check the password.
    const QList<QWidget *> controls = { cbCommand, selectCommandFileButton, selectFromMenuButton,
        advancedOptionsWidget, pbOptions };
    for (QWidget *control : controls)
        control->setEnabled(!checking);
    cbRunInTerminal->setEnabled(!checking && !terminal.isEmpty());
    if (checking) {
        spokenStatus->addNote(tr("Checking the password ..."));
        pbRun->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        updateRunButton();
        QApplication::restoreOverrideCursor();
    }
}

void Roderuz::finishLaunch(const LaunchPlan &plan)
{
    terminalChoice.teach(&terminalApps, plan.firstWord(), plan.classification().executableName);
    // An application chosen by its name runs its entry again from the history;
    // one typed by its id is kept by its name, in place of the id.
    cbCommand->addToHistory(plan.historyText(), plan.historyEntry(), plan.classification().text);
    // Writing a long history takes longer than the user should look at a
    // dialog that has done its job, so the window goes first. A settings file
    // that cannot be written must not keep it open as if the start had failed.
    hide();
    QStringList problems;
    QString error;
    if (!saveSettings(&error))
        problems << error;
    if (plan.action() != LaunchPlan::CloseOnly
        && !cbCommand->noteRun(plan.classification().text, &error))
        problems << error;
    tellUnsaved(problems);
    resetDialog();
    QDialog::accept();
}

LaunchOptions Roderuz::launchOptions() const
{
    LaunchOptions options;
    runAsOptions->fill(&options);
    options.terminalChoice = terminalChoice;
    options.terminalApplications = terminalApps;
    // A box the user cannot tick (no terminal, or only Cancel works now) runs nothing in one.
    if (cbRunInTerminal->isEnabled())
        options.terminalProgram = terminal;
    options.callerName = caller;
    options.callerIsRoot = LocalAccounts::callerIsRoot();
    options.listed = listedRows->first();
    options.lastCommand = cbCommand->historyItems().value(0);
    calculation->fill(&options);
    options.windowsReachOthers = &XDisplayAuthority::reachableByOthers;
    return options;
}

QString Roderuz::commandText() const
{
    return cbCommand->currentText().simplified();
}

QString Roderuz::typedProgram() const
{
    return commandText().section(QLatin1Char(' '), 0, 0);
}

bool Roderuz::classificationIsCurrent() const
{
    const QString text = commandText();
    return !text.isEmpty() && classifier->latest().text == text
        && classifier->latest().chosenEntry == cbCommand->chosenEntry();
}

LaunchPlan Roderuz::currentPlan() const
{
    if (classificationIsCurrent())
        return LaunchPlan(classifier->latest(), launchOptions());
    // Not looked at yet: what is known without that.
    CommandClassification typed;
    typed.text = commandText();
    return LaunchPlan(typed, launchOptions());
}

void Roderuz::refreshPlan()
{
    updateRunButton();
    const LaunchPlan plan = currentPlan();
    runAsOptions->showPasswordLabel(LaunchDescription::passwordLabel(plan));
    // Said where the user moved the priority, whose focus stays there.
    const QString rootReason = LaunchDescription::rootReason(plan);
    slPriority->setAccessibleDescription(rootReason);
    sbPriority->setAccessibleDescription(rootReason);
    // Until the text's own classification arrives, what is shown stays.
    if (!plan.classification().text.isEmpty() && !classificationIsCurrent())
        return;
    if (cbRunInTerminal->isEnabled())
        cbRunInTerminal->setChecked(plan.terminalBoxTicked());
    if (auto *completer = qobject_cast<CommandCompleter *>(cbCommand->completer()))
        completer->setFirstRowDefault(plan.action() == LaunchPlan::TakeListedRow);
    // An expression is evaluated once it is known to be one; its value shows when it arrives.
    if (plan.action() == LaunchPlan::Calculate && !plan.valueKnown())
        calculation->evaluate(plan.classification().text);
    // Kept as drawn: the first frame of a dialog with a preset command reads no theme index.
    currentIcon = cachedThemeIcon(plan.iconNames(), lbRunIcon->iconExtent());
    updateIcon();
    setHint(LaunchDescription::hint(plan));
}

void Roderuz::setHint(const QString &hint)
{
    lbHint->setHint(hint);
    spokenStatus->setHint(hint);
    cbCommand->setAccessibleDescription(hint);
    cbCommand->lineEdit()->setAccessibleDescription(hint);
}

void Roderuz::showWarning(const QString &text)
{
    QMessageBox::warning(
        this, tr("Warning - Run command"), text, QMessageBox::Ok, QMessageBox::NoButton);
}

void Roderuz::reject()
{
    if (privilegedLauncher->isChecking()) {
        privilegedLauncher->cancel();
        showChecking(false);
    }
    resetDialog();
    QDialog::reject();
}

void Roderuz::slotAdvanced()
{
    // The panel shows the stored way to change user.
    if (!advancedPanel->isOpen())
        completeStartup();
    advancedPanel->toggle();
}

void Roderuz::slotParseTimer()
{
    const QString text = commandText();
    if (text.isEmpty())
        return;
    classifier->classify(text, cbCommand->chosenEntry());
    if (classificationIsCurrent())
        refreshPlan();
    else
        slowClassificationTimer->start();
}

void Roderuz::slotClassified()
{
    slowClassificationTimer->stop();
    const QString text = commandText();
    if (!pendingRun.isEmpty() && classifier->latest().text == pendingRun) {
        const bool unchanged = pendingRun == text;
        pendingRun.clear();
        if (unchanged) {
            launch();
            return;
        }
    }
    refreshPlan();
}

void Roderuz::slotTerminal(bool on)
{
    terminalChoice.setByHand(on, typedProgram());
    refreshPlan();
}

void Roderuz::slotCmdChanged(const QString &text)
{
    calculation->textChanged();
    updateRunButton();
    if (!text.isEmpty()) {
        parseTimer->start(parseDelay);
        return;
    }
    parseTimer->stop();
    slowClassificationTimer->stop();
    terminalChoice.fieldEmptied();
    refreshPlan();
}

void Roderuz::showHelp()
{
    kavHelpShow(QString());
}

void Roderuz::selectCommandFile()
{
    const QString path = ExecutableFileChooser(this).choose();
    if (!path.isEmpty())
        setCommandText(path);
}

void Roderuz::selectCommandFromMenu()
{
    KavMenuDialog menu(this);
    // The menu ranks the applications as the completion list does.
    // A record still being read ranks nothing yet.
    if (const QSharedPointer<const UsageRecord> usage = cbCommand->usageRecord()) {
        menu.setUsageScore([usage](const ApplicationEntry &entry) {
            const qint64 now = QDateTime::currentSecsSinceEpoch();
            return usage->score(entry.name, now) + usage->score(entry.baseId(), now);
        });
    }
    if (menu.exec() != QDialog::Accepted)
        return;
    // Chosen here as in the completion list, it runs as it does there.
    const ApplicationEntry chosen = menu.chosenApplication();
    cbCommand->chooseApplication(chosen.name, chosen.baseId());
    accept();
}

void Roderuz::updateRunButton()
{
    pbRun->setEnabled(!privilegedLauncher->isChecking() && currentPlan().canRun());
}

void Roderuz::setRunnerPluginDirectory(const QString &directory)
{
    runnerPluginDirectory() = directory;
}

void Roderuz::loadRunnerPlugin()
{
    runner = loadFirstRunner(runnerPluginDirectory());
}

void Roderuz::loadSettings(const DialogSettings &settings)
{
    if (settings.useSu)
        rbSu->setChecked(true);
    else
        rbSudo->setChecked(true);
    terminalApps = settings.terminalApps;
    storedCompletionMode = settings.completionMode;
    const QSignalBlocker blocker(cbCommand);
    cbCommand->replaceItems(settings.history, settings.historyApplications);
}

void Roderuz::installCompleters()
{
    cbCommand->installCompleter();
    if (auto *completer = qobject_cast<CommandCompleter *>(cbCommand->completer())) {
        completer->setCompletionMode(storedCompletionMode);
        // What Enter takes when the text cannot run changes with the list.
        connect(completer, &CommandCompleter::firstRowChanged, this, &Roderuz::refreshPlan);
        listedRows->passClicksTo(pbRun);
        spokenStatus->followList(completer->popup());
    }
    runAsOptions->installUserNameCompleter();
}

void Roderuz::saveHistory()
{
    QString error;
    if (!SettingsStore::change(
            [this](QSettings &settings) {
                DialogSettings::writeHistory(
                    settings, cbCommand->historyItems(), cbCommand->historyEntries());
            },
            &error))
        tellUnsaved({ error });
}

bool Roderuz::saveSettings(QString *error)
{
    DialogSettings current;
    current.useSu = rbSu->isChecked();
    current.history = cbCommand->historyItems();
    current.historyApplications = cbCommand->historyEntries();
    current.terminalApps = terminalApps;
    const QCompleter *completer = cbCommand->completer();
    current.completionMode = completer ? completer->completionMode() : storedCompletionMode;
    return SettingsStore::change(
        [&current](QSettings &settings) { current.write(settings); }, error);
}

void Roderuz::tellUnsaved(const QStringList &problems)
{
    // A home that cannot be written fails every save alike; once is enough.
    static bool told = false;
    if (problems.isEmpty() || told)
        return;
    told = true;
    showWarning(tr("The history and the settings could not be saved; what was saved before "
                   "is kept.\n\n%1")
                    .arg(problems.join(QLatin1Char('\n'))));
}
