// SPDX-License-Identifier: GPL-2.0-or-later
#include "roderuz.h"

#include "afterfirstframe.h"
#include "commandclassifier.h"
#include "completion/backgroundthreadpool.h"
#include "completion/commandcompleter.h"
#include "completion/historybox.h"
#include "completion/usagerecord.h"
#include "desktop/cachedthemeicon.h"
#include "desktop/kavdesktop.h"
#include "desktop/kavmenudialog.h"
#include "desktop/settingsstore.h"
#include "detachedstart.h"
#include "dialogsettings.h"
#include "exec/calculator.h"
#include "exec/executablefilechooser.h"
#include "exec/iorvanrunner.h"
#include "exec/launchdescription.h"
#include "exec/runnerpluginloader.h"
#include "exec/terminal.h"
#include "privilegedlauncher.h"
#include "startupnotice.h"

#include <KUser>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDateTime>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QtConcurrent>

#include <cerrno>
#include <cstdio>
#include <future>
#include <limits>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

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

static QString rootUser()
{
    return QStringLiteral("root");
}

// Runs on a pool thread: a member of "zirna-admin" is asked for no one, anyone
// else is offered the first member of that group.
static QString fetchDefaultUser()
{
    const QString adminGroup = QStringLiteral("zirna-admin");
    const KUser user(KUser::UseEffectiveUID);
    if (user.groupNames().contains(adminGroup))
        return QString();
    return KUserGroup(adminGroup).userNames(1).value(0);
}

static int processNiceValue()
{
    // getpriority() may legitimately return -1, so only errno tells a failure.
    errno = 0;
    const int value = getpriority(PRIO_PROCESS, 0);
    return (value == -1 && errno != 0) ? 0 : value;
}

// The local accounts in the order of the password file; empty when it cannot be read.
static bool readLocalUserNames(QStringList *names)
{
    FILE *file = std::fopen("/etc/passwd", "re");
    if (!file)
        return false;
    while (const passwd *entry = fgetpwent(file))
        names->append(QString::fromLocal8Bit(entry->pw_name));
    std::fclose(file);
    return true;
}

// The login name of the user running the dialog; empty when the system does not know it.
static QString callerName()
{
    const passwd *entry = getpwuid(getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

Roderuz::Roderuz(QWidget *parent)
    : QDialog(parent)
    , caller(callerName())
{
    // The settings are read while the form is built; where no thread can be
    // started, when they are needed.
    std::future<DialogSettings> storedSettings =
        std::async(std::launch::async | std::launch::deferred, &DialogSettings::readForFirstFrame);
    setWindowTitle(tr("Run Command"));
    setupUi(this);
    // A line edit cuts text at 32767 characters without a word; a command cut
    // short would start something other than what was pasted.
    cbCommand->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // The list of completions opens below the hint line, which stays readable.
    cbCommand->setCompletionAnchor(lbHint);
    passwordLabelText = lbPassword->text();
    fixOptionLabelColumn();
    classifier = new CommandClassifier(this);
    privilegedLauncher = std::make_unique<PrivilegedLauncher>(this, lePassword);

    connect(cbPriority, &QCheckBox::toggled, lbLowPriority, &QWidget::setEnabled);
    connect(cbPriority, &QCheckBox::toggled, slPriority, &QWidget::setEnabled);
    connect(cbPriority, &QCheckBox::toggled, lbHighPriority, &QWidget::setEnabled);
    connect(cbRunAsOther, &QCheckBox::toggled, lbUsername, &QWidget::setEnabled);
    connect(cbRunAsOther, &QCheckBox::toggled, leUsername, &QWidget::setEnabled);
    connect(cbRunAsOther, &QCheckBox::toggled, lbPassword, &QWidget::setEnabled);
    connect(cbRunAsOther, &QCheckBox::toggled, lePassword, &QWidget::setEnabled);
    connect(cbPriority, &QCheckBox::toggled, textLabel1, &QWidget::setEnabled);
    connect(slPriority, &QSlider::valueChanged, sbPriority, &QSpinBox::setValue);
    connect(sbPriority, qOverload<int>(&QSpinBox::valueChanged), slPriority, &QSlider::setValue);

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
    // These keys are no mnemonic of any text in the dialog, in English or in German.
    describeButton(selectCommandFileButton, tr("Choose a program file"), Qt::ALT | Qt::Key_O);
    describeButton(selectFromMenuButton, selectFromMenuButton->toolTip(), Qt::ALT | Qt::Key_L);
    describeButton(rbSu, tr("Change the user with su"), Qt::ALT | Qt::Key_X);
    describeButton(rbSudo, tr("Change the user with sudo"), Qt::ALT | Qt::Key_Y);
    installOptionShortcuts();

    terminal = terminalProgram();
    if (terminal.isEmpty())
        cbRunInTerminal->setEnabled(false);

    lbRunIcon->setPixelMetricForIconSize(QStyle::PM_LargeIconSize);
    pbOptions->setText(tr("&Advanced >>"));
    updateRunButton();
    advancedOptionsWidget->hide();

    parseTimer = new QTimer(this);
    parseTimer->setSingleShot(true);
    slowClassificationTimer = new QTimer(this);
    slowClassificationTimer->setSingleShot(true);
    slowClassificationTimer->setInterval(slowClassificationMs);
    savedFocus = nullptr;
    calculator = new Calculator(this);

    connect(pbRun, &QPushButton::clicked, this, &Roderuz::accept);
    connect(pbCancel, &QPushButton::clicked, this, &Roderuz::reject);
    connect(pbOptions, &QPushButton::clicked, this, &Roderuz::slotAdvanced);
    connect(parseTimer, &QTimer::timeout, this, &Roderuz::slotParseTimer);
    connect(cbCommand, &QComboBox::editTextChanged, this, &Roderuz::slotCmdChanged);
    connect(cbPriority, &QCheckBox::toggled, this, &Roderuz::slotChangeScheduler);
    connect(slPriority, &QSlider::valueChanged, this, &Roderuz::slotPriority);
    connect(cbRealtime, &QCheckBox::toggled, this, &Roderuz::slotRealtime);
    connect(cbRunAsOther, &QCheckBox::toggled, this, &Roderuz::slotChangeUid);
    connect(leUsername, &QLineEdit::textChanged, this, &Roderuz::updateAuthLabel);
    connect(leUsername, &QLineEdit::textChanged, this, &Roderuz::updateRunButton);
    connect(cbRunInTerminal, &QCheckBox::clicked, this, &Roderuz::slotTerminal);
    connect(calculator, &Calculator::evaluated, this, &Roderuz::slotCalculated);
    connect(rbSu, &QRadioButton::toggled, this, &Roderuz::refreshPlan);
    connect(lePassword, &QLineEdit::textChanged, this, &Roderuz::refreshPlan);
    connect(classifier, &CommandClassifier::classified, this, &Roderuz::slotClassified);
    // Clearing is done at once: the user asked for it, whatever the dialog does next.
    connect(cbCommand, &HistoryBox::historyCleared, this, &Roderuz::saveHistory);
    connect(slowClassificationTimer, &QTimer::timeout, this, [this] {
        //: The hint while the file that the text names does not answer
        setHint(tr("Looking at %1 ...").arg(typedProgram()));
    });

    rootForced = false;
    scheduler = SchedulingPolicy::Normal;
    initPriorities();
    savedPriorityState = false;
    quietRealtime = false;

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
        startDefaultUserLookUp();
        // What Enter takes when the text cannot run depends on the list.
        refreshPlan();
    });
    deferredStartup->runBeforeInputTo(cbCommand->lineEdit());
    // Its list opens with the whole history.
    deferredStartup->runBeforeInputTo(cbCommand);
    resize(minimumSizeHint());
}

Roderuz::~Roderuz() = default;

void Roderuz::startDefaultUserLookUp()
{
    auto *watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, leUsername, [this, watcher] {
        if (!userPreset && !leUsername->isModified())
            leUsername->setText(watcher->result());
        watcher->deleteLater();
    });
    // Not the global pool, whose threads the program waits for when it ends.
    watcher->setFuture(
        QtConcurrent::run(backgroundThreadPool(BackgroundWork::AccountLookUp), fetchDefaultUser));
}

void Roderuz::describeButton(
    QAbstractButton *button, const QString &description, const QKeySequence &shortcut)
{
    button->setShortcut(shortcut);
    button->setAccessibleName(description);
    //: Tool tip: what a button does, then its keyboard shortcut
    button->setToolTip(tr("%1 (%2)").arg(description, shortcut.toString(QKeySequence::NativeText)));
}

void Roderuz::setCommandText(const QString &text)
{
    QLineEdit *edit = cbCommand->lineEdit();
    edit->setText(text);
    edit->deselect();
    const int blank = text.indexOf(QLatin1Char(' '));
    if (blank > 0)
        edit->setSelection(blank + 1, text.length() - blank - 1);
}

void Roderuz::completeStartup()
{
    deferredStartup->run();
}

void Roderuz::setUser(const QString &name)
{
    completeStartup();
    cbRunAsOther->setChecked(true);
    leUsername->setText(name);
    userPreset = true;
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
    quietRealtime = true;
    slotRealtime(true);
    quietRealtime = false;
    openAdvancedOptions();
}

void Roderuz::setPriority(int value)
{
    completeStartup();
    slPriority->setValue(value);
    openAdvancedOptions();
}

void Roderuz::openAdvancedOptions()
{
    focusForPresets();
    if (advancedOptionsWidget->isHidden())
        slotAdvanced();
}

void Roderuz::installOptionShortcuts()
{
    // A button's own shortcut moves the focus to it and clicks it 100 ms
    // later, and only while it shows and can be used: keys typed meanwhile
    // went astray, and with the advanced options closed the letter went into
    // the command. The dialog's shortcuts take their place.
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *> {
             cbRunInTerminal, cbRunAsOther, rbSu, rbSudo, cbPriority, cbRealtime }) {
        const QKeySequence key = button->shortcut();
        button->setShortcut(QKeySequence());
        addOptionShortcut(key, [this, button] { pressOption(button); });
    }
    // A label keeps its own shortcut, which does the same while its field can take the focus.
    const std::pair<QLabel *, QAbstractButton *> labels[] = { { lbUsername, cbRunAsOther },
        { lbPassword, cbRunAsOther }, { textLabel1, cbPriority } };
    for (const auto &[label, option] : labels) {
        QWidget *field = label->buddy();
        addOptionShortcut(QKeySequence::mnemonic(label->text()),
            [this, field, option = option] { focusOption(field, option); });
    }
}

void Roderuz::addOptionShortcut(const QKeySequence &key, const std::function<void()> &act)
{
    auto *shortcut = new QShortcut(key, this);
    connect(shortcut, &QShortcut::activated, this, act);
    // Shared with a label's own shortcut, which focuses the same field.
    connect(shortcut, &QShortcut::activatedAmbiguously, this, act);
}

void Roderuz::pressOption(QAbstractButton *button)
{
    if (privilegedLauncher->isChecking())
        return;
    if (advancedOptionsWidget->isAncestorOf(button) && advancedOptionsWidget->isHidden())
        slotAdvanced();
    // su and sudo are the ways to run as another user: choosing one asks for that.
    if ((button == rbSu || button == rbSudo) && !cbRunAsOther->isChecked()
        && cbRunAsOther->isEnabled())
        cbRunAsOther->click();
    if (!button->isEnabled())
        return;
    // Ticking the user's box moves the focus to the user name; otherwise the
    // keys typed next go on where they went, unless that field closes.
    QWidget *typing = focusWidget();
    button->click();
    if (!typing || !typing->isEnabled())
        button->setFocus(Qt::ShortcutFocusReason);
}

void Roderuz::focusOption(QWidget *field, QAbstractButton *option)
{
    if (privilegedLauncher->isChecking())
        return;
    if (advancedOptionsWidget->isHidden())
        slotAdvanced();
    if (!field->isEnabled() && !option->isChecked() && option->isEnabled())
        option->click();
    if (field->isEnabled())
        field->setFocus(Qt::ShortcutFocusReason);
}

void Roderuz::fixOptionLabelColumn()
{
    // Room for the form's labels and for the password label of a user name
    // of up to eight characters, the traditional longest.
    int width = 0;
    for (const QLabel *label : { lbUsername, lbPassword, textLabel1 })
        width = qMax(width, label->sizeHint().width());
    optionLabelWidth = width + 12 * lbPassword->fontMetrics().averageCharWidth();
    gridLayout_2->setColumnMinimumWidth(1, optionLabelWidth);
    // The text is cut to the column; its size hint must not widen it either.
    lbPassword->setSizePolicy(QSizePolicy::Ignored, lbPassword->sizePolicy().verticalPolicy());
}

void Roderuz::showPasswordLabel(const QString &text)
{
    // Typing a user name must not move the fields beside it: a long name is
    // cut short, and the tool tip and screen readers have it whole.
    const QString shown = lbPassword->fontMetrics().elidedText(
        text, Qt::ElideRight, optionLabelWidth, Qt::TextShowMnemonic);
    QString whole = text;
    whole.remove(QLatin1Char('&'));
    lbPassword->setText(shown);
    lbPassword->setToolTip(shown == text ? QString() : whole);
    lbPassword->setAccessibleName(whole);
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
    if (advancedOptionsWidget->isVisible())
        slotAdvanced();

    {
        const QSignalBlocker blocker(cbCommand);
        // What was typed and not run is nobody's business once the dialog is gone.
        wipeLineEdit(cbCommand->lineEdit());
        cbCommand->setFocus(Qt::OtherFocusReason);
        cbCommand->clear();
    }
    updateRunButton();

    nicePriority = 0;
    scheduler = SchedulingPolicy::Normal;
    cbRunInTerminal->setChecked(false);
    cbRunAsOther->setChecked(false);
    leUsername->setText(rootUser());
    cbPriority->setChecked(false);
    slPriority->setValue(nicePriority);
    cbRealtime->setChecked(scheduler == SchedulingPolicy::Realtime);
    wipeLineEdit(lePassword);

    rootForced = false;
    savedFocus = nullptr;
    calculationWanted = false;
    terminalChoice.reset();
    pendingRun.clear();
    parseTimer->stop();
    updateAuthLabel();
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

bool Roderuz::eventFilter(QObject *watched, QEvent *event)
{
    // The open completion list takes the click that closes it: Run would
    // only close the list, where Enter takes what the list offers. Run does
    // what Enter does, with the list as the user saw it.
    const QCompleter *completer = cbCommand->completer();
    if (event->type() == QEvent::MouseButtonPress && completer && watched == completer->popup()) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::LeftButton && pbRun->isEnabled()
            && pbRun->rect().contains(pbRun->mapFromGlobal(press->globalPos()))) {
            pbRun->click();
            completer->popup()->hide();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Roderuz::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // A text preset before the window shows is looked at now rather than
    // after the typing pause, so that the first frame says what Run does.
    if (parseTimer->isActive()) {
        parseTimer->stop();
        classifier->waitFor(commandText(), cbCommand->chosenEntry(), presetClassificationMs);
        slotParseTimer();
    }
    if (!advancedSizePending)
        return;
    // Options opened before the dialog showed take their height now, before
    // the window is on the screen: a window resized after it was placed
    // there can be moved to where the window system has not placed it yet.
    advancedSizePending = false;
    // The scroll area sizes its contents through posted events: its width
    // follows theirs, the layouts answer with requests of their own, and the
    // window's height follows the width. A few rounds settle them.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
        layout()->activate();
    }
    resize(width(), qMax(minimumSizeHint().height(), heightForWidth(width())));
    advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
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
        if (plan.valueKnown()) {
            if (!plan.value().isEmpty())
                cbCommand->lineEdit()->setText(plan.value());
            return;
        }
        // The value goes into the field when it arrives, unless the text changes first.
        calculationWanted = true;
        calculator->evaluate(plan.classification().text);
        return;
    }
    if (plan.action() == LaunchPlan::TakeListedRow) {
        takeListedRow(plan.listed());
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
    if (plan.action() != LaunchPlan::CloseOnly && runCommand(plan) == 1)
        return;
    finishLaunch(plan);
}

void Roderuz::takeListedRow(const ListedAlternative &listed)
{
    auto *completer = qobject_cast<CommandCompleter *>(cbCommand->completer());
    if (!completer || !completer->activateFirstRow())
        return;
    if (!listed.runsWhenTaken && listed.kind != ListedAlternative::ShowsFolder)
        accept();
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
    // An application chosen by its name runs its entry again from the history.
    const CommandClassification &classification = plan.classification();
    cbCommand->addToHistory(classification.text,
        classification.type == CommandType::DesktopEntry ? classification.chosenEntry : QString());
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

int Roderuz::runCommand(const LaunchPlan &plan)
{
    switch (plan.action()) {
    case LaunchPlan::UnknownCommand:
    case LaunchPlan::NotAProgram:
        showError(LaunchDescription::notRunMessage(
            plan, DetachedStart::forMessage(plan.classification().text)));
        return 1;
    case LaunchPlan::Refused:
        showWarning(LaunchDescription::refusalMessage(plan));
        return 1;
    case LaunchPlan::Start: {
        const CommandClassification &found = plan.classification();
        const auto announce = [&found](const QString &program) {
            return StartupNotice::announce(found.entryName, found.entryIcon, program);
        };
        const QString failure = DetachedStart::run(plan.commandLines(), plan.workingDirectory(),
            plan.announcesStart() ? announce : std::function<QString(const QString &)>());
        if (failure.isEmpty())
            return 0;
        showWarning(failure);
        return 1;
    }
    default:
        return 1;
    }
}

LaunchOptions Roderuz::priorityOptions() const
{
    LaunchOptions options;
    options.priorityChosen = cbPriority->isChecked();
    options.scheduler = scheduler;
    options.nicePriority = nicePriority;
    options.realtimePriority = realtimePriority;
    options.startNice = startNice;
    return options;
}

LaunchOptions Roderuz::launchOptions() const
{
    LaunchOptions options = priorityOptions();
    options.terminalChoice = terminalChoice;
    options.terminalApplications = terminalApps;
    // A box the user cannot tick (no terminal, or only Cancel works now) runs nothing in one.
    if (cbRunInTerminal->isEnabled())
        options.terminalProgram = terminal;
    options.runAsOther = cbRunAsOther->isChecked();
    options.userName = leUsername->text();
    options.sudoChosen = !rbSu->isChecked();
    options.callerName = caller;
    options.callerIsRoot = getuid() == 0;
    options.listed = listedAlternative(listedRow());
    options.lastCommand = cbCommand->historyItems().value(0);
    options.calculatedExpression = calculatedExpression;
    options.calculatedValue = calculatedResult;
    options.calculationOutcome = calculationOutcome;
    options.passwordTyped = !lePassword->text().isEmpty();
    return options;
}

CompletionRow Roderuz::listedRow() const
{
    const auto *completer = qobject_cast<const CommandCompleter *>(cbCommand->completer());
    return completer ? completer->firstRow() : CompletionRow();
}

ListedAlternative Roderuz::listedAlternative(const CompletionRow &row)
{
    // A command from the history or an application runs as it does when
    // chosen; a program or a file only completes the field, which runs next.
    switch (row.kind) {
    case CommandCompleterModel::RowKind::None:
        return {};
    case CommandCompleterModel::RowKind::File:
        return { ListedAlternative::OpensFile, row.text, row.text, false };
    case CommandCompleterModel::RowKind::Folder:
        return { ListedAlternative::ShowsFolder, row.text, row.text, false };
    case CommandCompleterModel::RowKind::Program:
        return { ListedAlternative::RunsCommand, row.name, row.text, false };
    default:
        return { ListedAlternative::RunsCommand, row.name, row.text, true };
    }
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
    const QString label = LaunchDescription::passwordLabel(plan);
    showPasswordLabel(label.isEmpty() ? passwordLabelText : label);
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
        calculator->evaluate(plan.classification().text);
    // Kept as drawn: the first frame of a dialog with a preset command reads no theme index.
    currentIcon = cachedThemeIcon(plan.iconNames(), lbRunIcon->iconExtent());
    updateIcon();
    setHint(LaunchDescription::hint(plan));
}

void Roderuz::setHint(const QString &hint)
{
    lbHint->setHint(hint);
    cbCommand->setAccessibleDescription(hint);
    cbCommand->lineEdit()->setAccessibleDescription(hint);
}

void Roderuz::showWarning(const QString &text)
{
    QMessageBox::warning(
        this, tr("Warning - Run command"), text, QMessageBox::Ok, QMessageBox::NoButton);
}

void Roderuz::showError(const QString &text)
{
    QMessageBox::critical(
        this, tr("Error - Run command"), text, QMessageBox::Ok, QMessageBox::NoButton);
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

void Roderuz::updateAuthLabel()
{
    // The fields written here are not heard: what depends on them follows below, once.
    const QSignalBlocker blockUser(leUsername);
    const QSignalBlocker blockPassword(lePassword);
    const QSignalBlocker blockOther(cbRunAsOther);
    const bool rootNeeded = LaunchPlan::needsRoot(priorityOptions());
    if (rootNeeded && !rootForced) {
        // An empty name shows root again once root is no longer needed.
        savedUser = leUsername->text().isEmpty() ? rootUser() : leUsername->text();
        savedPassword = lePassword->text();
        savedRunAsOther = cbRunAsOther->isChecked();
        rootForced = true;
        if (leUsername->text() != rootUser())
            lePassword->clear();
        leUsername->setText(rootUser());
        cbRunAsOther->setChecked(true);
    } else if (!rootNeeded && rootForced) {
        leUsername->setText(savedUser);
        lePassword->setText(savedPassword);
        cbRunAsOther->setChecked(savedRunAsOther);
        rootForced = false;
    }
    // Root forced shows in the fields, which the user cannot change then;
    // the focus stays where the user is.
    const bool runAsOther = cbRunAsOther->isChecked();
    cbRunAsOther->setEnabled(!rootForced);
    rbSu->setEnabled(runAsOther);
    rbSudo->setEnabled(runAsOther);
    leUsername->setEnabled(runAsOther && !rootForced);
    lbUsername->setEnabled(runAsOther);
    // A user restored after root was forced keeps a usable password field.
    const bool passwordWanted = runAsOther && !leUsername->text().isEmpty();
    lePassword->setEnabled(passwordWanted);
    lbPassword->setEnabled(passwordWanted);
    refreshPlan();
}

void Roderuz::slotAdvanced()
{
    const bool wasMaximized = isMaximized();
    if (advancedOptionsWidget->isHidden()) {
        // The panel shows the stored way to change user.
        completeStartup();
        advancedSpacer->changeSize(0, 0, QSizePolicy::Ignored, QSizePolicy::Ignored);
        advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
        advancedOptionsWidget->show();
        // Let the panel take its minimum height first, then let it grow; a
        // dialog not on the screen yet does so when it is shown.
        if (isVisible())
            QTimer::singleShot(0, this, &Roderuz::setExpandingSizePolicyForAdvancedWidget);
        else
            advancedSizePending = true;
        pbOptions->setText(tr("&Advanced <<"));
        savedFocus = focusWidget();
        if (savedFocus)
            savedFocus->setFocus(Qt::OtherFocusReason);
        return;
    }

    advancedOptionsWidget->hide();
    advancedSpacer->changeSize(20, 1, QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout()->activate();
    pbOptions->setText(tr("&Advanced >>"));
    if (savedFocus && savedFocus->parent() != gbAdvanced)
        savedFocus->setFocus(Qt::OtherFocusReason);
    if (!wasMaximized)
        resize(sizeHint());
}

void Roderuz::setExpandingSizePolicyForAdvancedWidget()
{
    QCoreApplication::processEvents();
    // A window put on the screen smaller than the open panel needs grows first.
    const int neededHeight = qMax(minimumSizeHint().height(), heightForWidth(width()));
    if (height() < neededHeight && !isMaximized())
        resize(width(), neededHeight);
    advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
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

void Roderuz::slotCalculated(
    const QString &expression, const QString &result, Calculator::Outcome outcome)
{
    calculatedExpression = expression;
    calculatedResult = result;
    calculationOutcome = outcome;
    if (expression != commandText())
        return;
    if (calculationWanted) {
        calculationWanted = false;
        if (!result.isEmpty()) {
            cbCommand->lineEdit()->setText(result);
            return;
        }
    }
    refreshPlan();
}

void Roderuz::slotPriority(int value)
{
    if (scheduler == SchedulingPolicy::Realtime)
        realtimePriority = value;
    else
        nicePriority = value;
    updateAuthLabel();
}

void Roderuz::slotRealtime(bool on)
{
    if (!on) {
        scheduler = SchedulingPolicy::Normal;
        cbPriority->setEnabled(true);
        cbPriority->setChecked(savedPriorityState);
        setPriorityRange(normalLowEnd, normalHighEnd, nicePriority);
        updateAuthLabel();
        return;
    }

    scheduler = SchedulingPolicy::Realtime;
    // Kept before asking, so that declining gives the user's own choice back.
    savedPriorityState = cbPriority->isChecked();
    if (!quietRealtime) {
        const QMessageBox::StandardButton answer =
            QMessageBox::question(this, tr("Warning - Run Command"),
                tr("Running a realtime application can be very dangerous. If the application "
                   "misbehaves, the system might hang "
                   "unrecoverably.\nAre you sure you want to continue?"),
                QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::NoButton);
        if (answer != QMessageBox::Yes) {
            scheduler = SchedulingPolicy::Normal;
            cbRealtime->setChecked(false);
            updateAuthLabel();
            return;
        }
    }
    cbPriority->setChecked(true);
    cbPriority->setEnabled(false);
    setPriorityRange(
        sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO), realtimePriority);
    updateAuthLabel();
}

void Roderuz::slotTerminal(bool on)
{
    terminalChoice.setByHand(on, typedProgram());
    refreshPlan();
}

void Roderuz::slotChangeUid(bool on)
{
    rbSu->setEnabled(on);
    rbSudo->setEnabled(on);
    leUsername->setEnabled(on);
    lbUsername->setEnabled(on);
    if (on) {
        leUsername->selectAll();
        leUsername->setFocus(Qt::OtherFocusReason);
    }
    updateAuthLabel();
}

void Roderuz::slotChangeScheduler(bool on)
{
    slPriority->setEnabled(on);
    sbPriority->setEnabled(on);
    lbLowPriority->setEnabled(on);
    lbHighPriority->setEnabled(on);
    updateAuthLabel();
}

void Roderuz::slotCmdChanged(const QString &text)
{
    calculationWanted = false;
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

void Roderuz::initPriorities()
{
    realtimePriority =
        (sched_get_priority_min(SCHED_FIFO) + sched_get_priority_max(SCHED_FIFO)) / 2;
    startNice = processNiceValue();
    nicePriority = startNice;
    if (startNice > 0) {
        normalLowEnd = 10;
        normalHighEnd = startNice - 20;
    } else {
        normalLowEnd = startNice + 19;
        normalHighEnd = -20;
    }
    setPriorityRange(normalLowEnd, normalHighEnd, startNice);
}

void Roderuz::setPriorityRange(int low, int high, int value)
{
    {
        const QSignalBlocker blockSpinBox(sbPriority);
        const QSignalBlocker blockSlider(slPriority);
        sbPriority->setRange(qMin(low, high), qMax(low, high));
        slPriority->setRange(qMin(low, high), qMax(low, high));
    }
    // The "Low" end is always on the left, and the keys move the handle as it is drawn.
    slPriority->setInvertedAppearance(low > high);
    slPriority->setInvertedControls(low > high);
    slPriority->setValue(value);
    lbLowPriority->setText(tr("%1 (Low)").arg(low));
    lbHighPriority->setText(tr("%1 (High)").arg(high));
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
        // A click on Run while the list is open is seen before the list closes;
        // inline completion has no list.
        if (completer->completionMode() != QCompleter::InlineCompletion)
            completer->popup()->installEventFilter(this);
    }

    QStringList userNames;
    if (readLocalUserNames(&userNames)) {
        auto *completer = new QCompleter(userNames, leUsername);
        completer->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
        leUsername->setCompleter(completer);
        // A shortcut that moves the focus on leaves no list behind to take the next key.
        connect(qApp, &QApplication::focusChanged, completer, [completer](QWidget *, QWidget *now) {
            QWidget *list = completer->popup();
            if (!now || now == completer->widget() || now == list || !list->isVisible())
                return;
            list->hide();
            // The field handed the focus to its list and heard nothing since:
            // it would go on drawing its frame and caret as if focused.
            QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(completer->widget(), &focusOut);
        });
    }
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
    return SettingsStore::change(
        [this](QSettings &settings) {
            settings.setValue(QStringLiteral("su"), rbSu->isChecked());
            DialogSettings::writeHistory(
                settings, cbCommand->historyItems(), cbCommand->historyEntries());
            settings.setValue(QStringLiteral("terminalApps"), terminalApps);
            if (const QCompleter *completer = cbCommand->completer())
                settings.setValue(QStringLiteral("completionMode"),
                    static_cast<int>(completer->completionMode()));
        },
        error);
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
