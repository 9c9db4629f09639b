// SPDX-License-Identifier: GPL-2.0-or-later
#include "roderuz.h"

#include "afterfirstframe.h"
#include "app/kavdesktop.h"
#include "desktop/cachedthemeicon.h"
#include "desktop/kavmenudialog.h"
#include "desktop/themeicon.h"
#include "exec/calculator.h"
#include "exec/desktopexec.h"
#include "exec/executablefilechooser.h"
#include "exec/iorvanrunner.h"
#include "exec/runnerpluginloader.h"
#include "su/suprocess.h"

#include <KUser>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

static const int parseDelay = 250;

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

// Reads a string list, taking the default only when the key is absent or holds
// something that is no text at all. An empty list is stored as an invalid value.
static QStringList stringListSetting(
    const QSettings &settings, const QString &key, const QStringList &defaultValue)
{
    if (!settings.contains(key))
        return defaultValue;
    const QVariant value = settings.value(key);
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringList();
    case QMetaType::QString:
    case QMetaType::QStringList:
        return value.toStringList();
    default:
        return defaultValue;
    }
}

static QCompleter::CompletionMode completionModeSetting(const QSettings &settings)
{
    bool isNumber = false;
    const int mode = settings.value(QStringLiteral("completionMode"), 0).toInt(&isNumber);
    if (!isNumber)
        return QCompleter::PopupCompletion;
    return static_cast<QCompleter::CompletionMode>(
        qBound<int>(QCompleter::PopupCompletion, mode, QCompleter::InlineCompletion));
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

// Whether QProcess's splitting of @p line closes every double quote it opens:
// a quote toggles grouping, three in a row stand for one literal quote, and two
// in a row change nothing. Otherwise the rest of the line would silently
// become one argument.
static bool doubleQuotesPair(const QString &line)
{
    bool quoted = false;
    int quotes = 0;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            quotes = (quotes + 1) % 3;
            continue;
        }
        if (quotes == 1)
            quoted = !quoted;
        quotes = 0;
    }
    if (quotes == 1)
        quoted = !quoted;
    return !quoted;
}

// Characters the command field does not show: controls, and format characters
// such as bidirectional overrides and zero-width characters. Someone asked to
// type a password for a command must see all of it.
static bool holdsInvisibleCharacters(const QString &command)
{
    const QVector<uint> codePoints = command.toUcs4();
    return std::any_of(codePoints.cbegin(), codePoints.cend(), [](uint codePoint) {
        const QChar::Category category = QChar::category(codePoint);
        return category == QChar::Other_Control || category == QChar::Other_Format;
    });
}

// A command as a message box shows it: markup escaped, every blank kept.
static QString commandForMessage(const QString &command)
{
    return Qt::convertFromPlainText(command, Qt::WhiteSpacePre);
}

// The icon beside the empty field, drawn @p extent pixels large.
static QIcon runIcon(int extent)
{
    return cachedThemeIcon(
        { QStringLiteral("system-run"), QStringLiteral("application-x-executable") }, extent);
}

// Shows the wait cursor while su or sudo checks a password.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY(WaitCursor)
};

Roderuz::Roderuz(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Run Command"));
    setupUi(this);
    // A line edit cuts text at 32767 characters without a word; a command cut
    // short would start something other than what was pasted.
    cbCommand->lineEdit()->setMaxLength(std::numeric_limits<int>::max());
    // The list of completions opens below the hint line, which stays readable.
    cbCommand->setCompletionAnchor(lbHint);

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

    if (terminalProgram().isEmpty())
        cbRunInTerminal->setEnabled(false);

    lbRunIcon->setPixelMetricForIconSize(QStyle::PM_LargeIconSize);
    lbRunIcon->setIcon(runIcon(lbRunIcon->iconExtent()));
    pbOptions->setText(tr("&Advanced >>"));
    updateRunButton();
    advancedOptionsWidget->hide();

    parseTimer = new QTimer(this);
    parseTimer->setSingleShot(true);
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
    connect(cbRunInTerminal, &QCheckBox::toggled, this, &Roderuz::updateHint);
    connect(rbSu, &QRadioButton::toggled, this, &Roderuz::updateHint);

    rootForced = false;
    scheduler = 0;
    initPriorities();
    savedPriorityState = false;
    quietRealtime = false;

    auto *helpAction = new QAction(tr("Help"), this);
    helpAction->setShortcuts(QKeySequence::HelpContents);
    connect(helpAction, &QAction::triggered, this, &Roderuz::showHelp);
    addAction(helpAction);

    // The settings, the history, the completers and the default user show in
    // no first frame; a key typed before they are there waits for them.
    deferredStartup = new AfterFirstFrame(this, [this] {
        loadSettings();
        startDefaultUserLookUp();
    });
    deferredStartup->runBeforeInputTo(cbCommand->lineEdit());
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
    watcher->setFuture(QtConcurrent::run(fetchDefaultUser));
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
}

void Roderuz::setUseSudo()
{
    completeStartup();
    rbSudo->setChecked(true);
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
    // Presets come before the dialog shows, and the user types the command
    // next, not into whatever control the preset changed last.
    cbCommand->setFocus(Qt::OtherFocusReason);
    if (advancedOptionsWidget->isHidden())
        slotAdvanced();
}

void Roderuz::setRunInTerminal(bool on)
{
    if (!cbRunInTerminal->isEnabled())
        return;
    cbRunInTerminal->setChecked(on);
    if (on) {
        currentIcon = firstThemeIcon({ QStringLiteral("utilities-terminal"),
            QStringLiteral("system-run"), QStringLiteral("application-x-executable") });
        updateIcon();
    } else {
        // Brings the command's own icon back.
        parseTimer->start(parseDelay);
    }
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
        cbCommand->lineEdit()->clear();
        cbCommand->setFocus(Qt::OtherFocusReason);
        cbCommand->clear();
    }
    updateRunButton();

    nicePriority = 0;
    scheduler = 0;
    cbRunInTerminal->setChecked(false);
    cbRunAsOther->setChecked(false);
    leUsername->setText(rootUser());
    cbPriority->setChecked(false);
    slPriority->setValue(nicePriority);
    cbRealtime->setChecked(scheduler == 1);
    lePassword->clear();

    rootForced = false;
    savedFocus = nullptr;
    calculationWanted = false;
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
    if (event->key() == Qt::Key_Escape) {
        // Cancelling through the button lets the user see what happens.
        event->accept();
        pbCancel->animateClick(100);
        return;
    }
    QDialog::keyPressEvent(event);
}

void Roderuz::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    if (!advancedSizePending)
        return;
    // The window is on the screen now, so the window manager no longer
    // changes its size under it: the options may take their height.
    advancedSizePending = false;
    QTimer::singleShot(0, this, &Roderuz::setExpandingSizePolicyForAdvancedWidget);
}

void Roderuz::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        adjustDialogSize();
}

void Roderuz::accept()
{
    // The history and the terminal applications take part in what follows.
    completeStartup();
    const QString text = cbCommand->currentText().simplified();
    if (isArithmeticExpression(text)) {
        if (text == calculatedExpression) {
            if (!calculatedResult.isEmpty())
                cbCommand->lineEdit()->setText(calculatedResult);
            return;
        }
        // The value goes into the field when it arrives, unless the text changes first.
        calculationWanted = true;
        calculator->evaluate(text);
        return;
    }
    if (text != QLatin1String("logout") && runCommand() == 1)
        return;

    cbCommand->addToHistory(text);
    // Writing a long history takes longer than the user should look at a
    // dialog that has done its job, so the window goes first. A settings file
    // that cannot be written must not keep it open as if the start had failed.
    hide();
    saveSettings();
    resetDialog();
    QDialog::accept();
}

int Roderuz::runCommand()
{
    // A parse still waiting for its timer would have ticked the terminal box
    // for a terminal application: how fast the user typed must not matter.
    if (parseTimer->isActive()) {
        parseTimer->stop();
        updateCommand(false);
    }
    updateCommand(true);
    // Blanks alone are no command, whatever the text before them was.
    const QString command = cbCommand->currentText().simplified();
    if (command.isEmpty())
        return 1;
    const bool inTerminal = cbRunInTerminal->isChecked();
    if (needsPrivileges())
        return runPrivileged(command, inTerminal);
    return runPlain(command, inTerminal);
}

int Roderuz::runPlain(const QString &command, bool inTerminal)
{
    QString line = plainCommandLine(command, inTerminal);
    if (line.isNull()) {
        showError(tr("<center><b>%1</b></center>\nCould not run the specified command.")
                      .arg(commandForMessage(command)));
        return 1;
    }
    if (runner && runner->isActive())
        line = runner->wrapCommand(line);
    // nice adds its argument to the dialog's own nice value, so it gets the
    // difference: the command then runs at exactly the value chosen.
    if (nicePriority > startNice)
        line = QStringLiteral("nice -n %1 ").arg(nicePriority - startNice) + line;
    if (inTerminal)
        line = terminalCommand(line);
    return startDetached(line) ? 0 : 1;
}

QString Roderuz::plainCommandLine(const QString &command, bool inTerminal) const
{
    // In a terminal the shell reads the line and expands "~" itself.
    const LineConsumer consumer = inTerminal ? LineConsumer::Shell : LineConsumer::DetachedStart;
    const QString arguments = command.section(QLatin1Char(' '), 1, -1);
    const QString opener = QStringLiteral("xdg-open ");
    switch (parser.type()) {
    case Network:
        return opener + typedCommandLine(command, consumer);
    case Executable:
        return inTerminal ? command : typedCommandLine(command, consumer);
    case DesktopEntry:
        return desktopEntryCommandLine(arguments, consumer);
    case File:
    case Folder:
        if (arguments.isEmpty())
            return opener + typedCommandLine(command, consumer);
        break;
    }
    return inTerminal ? command : QString();
}

QString Roderuz::desktopEntryCommandLine(const QString &arguments, LineConsumer consumer) const
{
    return expandDesktopExec(parser.desktopExec(), arguments,
        { parser.desktopIcon(), parser.desktopName(), parser.desktopEntryPath() }, consumer);
}

bool Roderuz::startDetached(const QString &commandLine)
{
    if (!doubleQuotesPair(commandLine)) {
        showWarning(tr("<center><b>%1</b></center>\nThe double quotes of the command do not "
                       "pair up, so it cannot be split into its arguments.")
                        .arg(commandForMessage(commandLine)));
        return false;
    }
    QStringList arguments = QProcess::splitCommand(commandLine);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    if (program.isEmpty() || !QProcess::startDetached(program, arguments)) {
        showWarning(tr("<center><b>%1</b></center>\nThe specified command does not exist.")
                        .arg(commandForMessage(commandLine)));
        return false;
    }
    return true;
}

QString Roderuz::terminalCommand(const QString &command, LineConsumer consumer)
{
    const QString line = terminalCommandLine(command, parser.isTerminalEntry(), consumer);
    if (!terminalApps.contains(command))
        terminalApps.append(command);
    return line;
}

bool Roderuz::needsPrivileges() const
{
    return (cbPriority->isChecked() && scheduler == 1)
        || (cbRunAsOther->isChecked() && !leUsername->text().isEmpty());
}

int Roderuz::runPrivileged(const QString &command, bool inTerminal)
{
    if (holdsInvisibleCharacters(command)) {
        showWarning(tr("The command contains control characters or invisible formatting "
                       "characters that the command field cannot show. It is not run as "
                       "another user."));
        return 1;
    }

    QByteArray user;
    if (cbRunAsOther->isChecked()) {
        const passwd *entry = getpwnam(leUsername->text().toLocal8Bit().constData());
        if (!entry) {
            showWarning(tr("<qt>The user <b>%1</b> does not exist on this system.</qt>")
                            .arg(leUsername->text()));
            return 1;
        }
        user = entry->pw_name;
    } else {
        const passwd *entry = getpwuid(getuid());
        if (!entry) {
            showError(tr("You do not exist!"));
            return 1;
        }
        user = entry->pw_name;
    }

    const QString switchTool = rbSu->isChecked() ? QStringLiteral("su") : QStringLiteral("sudo");
    if (!passwordAccepted(switchTool, user))
        return 1;

    // tavrine hands the line to "/bin/sh -c".
    const QString line = parser.type() == DesktopEntry
        ? desktopEntryCommandLine(command.section(QLatin1Char(' '), 1, -1), LineConsumer::Shell)
        : command;
    const QByteArray commandLine =
        (inTerminal ? terminalCommand(line, LineConsumer::Shell) : line).toLocal8Bit();
    // Requests still queued for the window system must not be sent twice.
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->flush();
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0)
        runInForkedChild(switchTool, user, commandLine);
    return 0;
}

void Roderuz::configureSwitch(
    SuProcess *process, const QString &switchTool, const QByteArray &user) const
{
    process->setSwitchTool(switchTool);
    process->setTargetUser(user);
    if (cbPriority->isChecked()) {
        process->setPriorityValue(scheduler == 0 ? nicePriority : realtimePriority);
        process->setSchedulingPolicy(scheduler);
    }
}

bool Roderuz::passwordAccepted(const QString &switchTool, const QByteArray &user)
{
    int result;
    QString usedTool;
    QByteArray lastLine;
    {
        const WaitCursor waitCursor;
        SuProcess check { QByteArray(), QByteArray() };
        configureSwitch(&check, switchTool, user);
        QByteArray password = lePassword->text().toLocal8Bit();
        result = check.verifyPassword(password.constData());
        explicit_bzero(password.data(), password.size());
        usedTool = check.switchTool();
        lastLine = check.lastLine();
    }
    if (result == SuProcess::SwitchOk)
        return true;
    showWarning(switchFailureText(result, usedTool, user, lastLine));
    return false;
}

QString Roderuz::switchFailureText(
    int result, const QString &switchTool, const QByteArray &user, const QByteArray &lastLine) const
{
    // What su or sudo said is shown as text, never as markup, and never at length.
    const QString said = QString::fromLocal8Bit(lastLine).simplified().left(200).toHtmlEscaped();
    switch (result) {
    case SuProcess::SwitchRefused:
        return tr("Incorrect password. Please try again.");
    case SuProcess::SwitchNoCompanion:
        return tr("<qt>The companion program <b>tavrine</b> was not found on the search path, so "
                  "nothing can be run as another user.</qt>");
    case SuProcess::SwitchTimedOut:
        return tr("%1 did not answer in time, so nothing was run.").arg(switchTool);
    case SuProcess::SwitchEchoOn:
        return tr("<qt>%1 asked for <b>%2</b> with the typed text shown on the screen, so the "
                  "password was not typed.</qt>")
            .arg(switchTool, said);
    }
    const QString target = QString::fromLocal8Bit(user).toHtmlEscaped();
    if (said.isEmpty())
        return tr("<qt>%1 did not run the command as <b>%2</b>.</qt>").arg(switchTool, target);
    return tr("<qt>%1 did not run the command as <b>%2</b>. It said:<br>%3</qt>")
        .arg(switchTool, target, said);
}

void Roderuz::runInForkedChild(
    const QString &switchTool, const QByteArray &user, const QByteArray &commandLine) const
{
    // The dialog's X connection, its single-instance lock and socket stay with the dialog.
    PtyProcess::closeDescriptorsFrom(STDERR_FILENO + 1);
    SuProcess run { QByteArray(), QByteArray() };
    configureSwitch(&run, switchTool, user);
    run.setCommandLine(commandLine);
    // The su or sudo child is reaped by the process itself, not by a handler.
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    sigprocmask(SIG_BLOCK, &childSignal, nullptr);
    run.setMirrorOutput(true);
    run.setWipePassword(true);
    QByteArray password = lePassword->text().toLocal8Bit();
    _exit(run.authenticateAndRun(password.data(), SuProcess::RunCommand));
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
    resetDialog();
    QDialog::reject();
}

void Roderuz::updateAuthLabel()
{
    if (rootNeeded()) {
        if (!rootForced && !leUsername->text().isEmpty()) {
            savedUser = leUsername->text();
            savedPassword = lePassword->text();
            savedRunAsOther = cbRunAsOther->isChecked();
            rootForced = true;
        }
        if (leUsername->text() != rootUser())
            lePassword->clear();
        leUsername->setText(rootUser());
        cbRunAsOther->setChecked(true);
        cbRunAsOther->setEnabled(false);
        leUsername->setEnabled(false);
        lbUsername->setEnabled(true);
    } else if (!cbRunAsOther->isEnabled() || !cbRunAsOther->isChecked()) {
        if (rootForced) {
            leUsername->setText(savedUser);
            lePassword->setText(savedPassword);
            cbRunAsOther->setChecked(savedRunAsOther);
            leUsername->setEnabled(savedRunAsOther);
            lbUsername->setEnabled(savedRunAsOther);
        } else {
            cbRunAsOther->setChecked(false);
            leUsername->setEnabled(false);
            lbUsername->setEnabled(false);
        }
        cbRunAsOther->setEnabled(true);
        rootForced = false;
    }
    // A user restored after root was forced keeps a usable password field.
    const bool passwordWanted = cbRunAsOther->isChecked() && !leUsername->text().isEmpty();
    lePassword->setEnabled(passwordWanted);
    lbPassword->setEnabled(passwordWanted);
    updateRunButton();
    updateHint();
}

bool Roderuz::rootNeeded() const
{
    return (cbPriority->isChecked() && nicePriority < startNice) || scheduler != 0;
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
        // Let the panel take its minimum height first, then let it grow. A
        // dialog not on the screen yet knows that height only once it is.
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
    updateCommand(false);
    const QString text = cbCommand->currentText().simplified();
    if (isArithmeticExpression(text) && text != calculatedExpression)
        calculator->evaluate(text);
    updateHint();
}

void Roderuz::slotCalculated(const QString &expression, const QString &result)
{
    calculatedExpression = expression;
    calculatedResult = result;
    if (expression != cbCommand->currentText().simplified())
        return;
    if (calculationWanted) {
        calculationWanted = false;
        if (!result.isEmpty()) {
            cbCommand->lineEdit()->setText(result);
            return;
        }
    }
    updateHint();
}

void Roderuz::updateHint()
{
    // A pending parse describes the text anew when it fires.
    if (parseTimer->isActive())
        return;
    const QString hint = runHint(cbCommand->currentText().simplified());
    lbHint->setHint(hint);
    cbCommand->setAccessibleDescription(hint);
    cbCommand->lineEdit()->setAccessibleDescription(hint);
}

QString Roderuz::runHint(const QString &command) const
{
    if (command.isEmpty())
        return QString();
    if (isArithmeticExpression(command)) {
        if (command != calculatedExpression)
            return QString();
        return calculatedResult.isEmpty() ? tr("Cannot calculate this expression")
                                          : tr("= %1").arg(calculatedResult);
    }
    if (command == QLatin1String("logout"))
        return tr("Closes this dialog");

    const QString program = command.section(QLatin1Char(' '), 0, 0);
    QString hint;
    if (needsPrivileges()) {
        const QString user = cbRunAsOther->isChecked() ? leUsername->text() : KUser().loginName();
        hint = tr("Runs as %1 through %2")
                   .arg(user, rbSu->isChecked() ? QStringLiteral("su") : QStringLiteral("sudo"));
        if (cbPriority->isChecked() && scheduler == 1)
            hint = tr("%1 with realtime priority %2").arg(hint).arg(realtimePriority);
        else if (cbPriority->isChecked())
            hint = tr("%1 at priority %2").arg(hint).arg(nicePriority);
    } else {
        if (plainCommandLine(command, cbRunInTerminal->isChecked()).isNull()) {
            return parser.type() == Unknown
                ? tr("No program or file named %1").arg(program)
                : tr("%1 is not a program, so it cannot take arguments").arg(program);
        }
        hint = plainRunHint(command);
        if (nicePriority > startNice)
            hint = tr("%1 at priority %2").arg(hint).arg(nicePriority);
    }
    if (cbRunInTerminal->isChecked())
        hint = tr("%1 in %2").arg(hint, QFileInfo(terminalProgram()).fileName());
    return hint;
}

QString Roderuz::plainRunHint(const QString &command) const
{
    const QString program = command.section(QLatin1Char(' '), 0, 0);
    switch (parser.type()) {
    case Network: {
        const QString scheme = QUrl(program).scheme().toLower();
        if (scheme.startsWith(QLatin1String("http")) || program.startsWith(QLatin1String("www.")))
            return tr("Opens the address in the web browser");
        return tr("Opens the address with the default application");
    }
    case File:
    case Folder:
        if (!command.contains(QLatin1Char(' ')))
            return tr("Opens %1 with the default application").arg(command);
        break;
    case DesktopEntry:
        return tr("Runs %1").arg(parser.desktopName());
    case Executable:
        if (!parser.desktopName().isEmpty())
            return tr("Runs %1").arg(parser.desktopName());
        break;
    }
    return tr("Runs %1").arg(QFileInfo(program).fileName());
}

void Roderuz::slotPriority(int value)
{
    if (scheduler == 1)
        realtimePriority = value;
    else
        nicePriority = value;
    updateAuthLabel();
}

void Roderuz::slotRealtime(bool on)
{
    if (!on) {
        scheduler = 0;
        cbPriority->setEnabled(true);
        cbPriority->setChecked(savedPriorityState);
        setPriorityRange(normalLowEnd, normalHighEnd, nicePriority);
        updateAuthLabel();
        return;
    }

    scheduler = 1;
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
            scheduler = 0;
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
    autoTerminal = false;
    terminalDeclined = !on;
    setRunInTerminal(on);
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
    parser.parse(QString());
    if (autoTerminal)
        setRunInTerminal(false);
    lbRunIcon->setIcon(runIcon(lbRunIcon->iconExtent()));
    updateHint();
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
    if (menu.exec() == QDialog::Accepted)
        cbCommand->lineEdit()->setText(
            menu.selectedItemExec(QString(), QString(), nullptr, nullptr));
}

void Roderuz::updateRunButton()
{
    pbRun->setEnabled(!cbCommand->currentText().isEmpty()
        && (!cbRunAsOther->isChecked() || !leUsername->text().isEmpty()));
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
    // The "Low" end is always on the left.
    slPriority->setInvertedAppearance(low > high);
    slPriority->setValue(value);
    lbLowPriority->setText(tr("%1 (Low)").arg(low));
    lbHighPriority->setText(tr("%1 (High)").arg(high));
}

void Roderuz::updateCommand(bool forRun)
{
    const QString text = cbCommand->currentText().simplified();
    if (text.isEmpty())
        return;
    parser.parse(text);

    // A desktop entry that asks for a terminal needs one whether or not its id is a program.
    const bool isTerminalCommand =
        (parser.type() == Executable && terminalApps.contains(parser.executableName()))
        || ((parser.type() == Executable || parser.type() == DesktopEntry)
            && parser.isTerminalEntry());
    if (!isTerminalCommand || terminalDeclined) {
        currentIcon = parser.icon();
        updateIcon();
        if (!isTerminalCommand)
            return;
    }
    if (!forRun) {
        if (cbRunInTerminal->isChecked() || terminalDeclined || autoTerminal)
            return;
        autoTerminal = true;
        setRunInTerminal(true);
        return;
    }
    // A listed command launched outside a terminal leaves the list.
    if (!cbRunInTerminal->isChecked())
        terminalApps.removeAll(parser.executableName());
}

void Roderuz::loadSettings()
{
    const QSettings settings;
    if (settings.value(QStringLiteral("su"), true).toBool())
        rbSu->setChecked(true);
    else
        rbSudo->setChecked(true);
    const QStringList history =
        stringListSetting(settings, QStringLiteral("history"), QStringList());
    terminalApps =
        stringListSetting(settings, QStringLiteral("terminalApps"), { QStringLiteral("ls") });

    {
        const QSignalBlocker blocker(cbCommand);
        cbCommand->setHistoryItems(history);
    }
    if (QCompleter *completer = cbCommand->completer())
        completer->setCompletionMode(completionModeSetting(settings));

    QStringList userNames;
    if (readLocalUserNames(&userNames)) {
        auto *completer = new QCompleter(userNames, leUsername);
        completer->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
        leUsername->setCompleter(completer);
    }
}

bool Roderuz::saveSettings()
{
    QSettings settings;
    settings.setValue(QStringLiteral("su"), rbSu->isChecked());
    settings.setValue(QStringLiteral("history"), cbCommand->historyItems());
    settings.setValue(QStringLiteral("terminalApps"), terminalApps);
    if (const QCompleter *completer = cbCommand->completer())
        settings.setValue(
            QStringLiteral("completionMode"), static_cast<int>(completer->completionMode()));
    // QSettings replaces the file through a save file, so a failed write leaves the old one.
    settings.sync();
    return settings.status() == QSettings::NoError;
}
