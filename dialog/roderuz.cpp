// SPDX-License-Identifier: GPL-2.0-or-later
#include "roderuz.h"

#include "app/kavdesktop.h"
#include "exec/terminal.h"

#include <KUser>

#include <QAction>
#include <QCompleter>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <QtConcurrent>

#include <cerrno>
#include <cstdio>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>

static const int parseDelay = 250;

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

Roderuz::Roderuz(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Run Command"));
    setupUi(this);

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

    connect(selectCommandFileButton, &QToolButton::clicked, this, &Roderuz::selectCommandFile);
    selectFromMenuButton->setIcon(QIcon::fromTheme(QStringLiteral("kavmenuedit")));
    connect(selectFromMenuButton, &QToolButton::clicked, this, &Roderuz::selectCommandFromMenu);

    if (terminalProgram().isEmpty())
        cbRunInTerminal->setEnabled(false);

    lbRunIcon->setPixelMetricForIconSize(QStyle::PM_LargeIconSize);
    lbRunIcon->setIcon(QIcon::fromTheme(QStringLiteral("system-run")));
    pbOptions->setText(tr("&Advanced >>"));
    updateRunButton();
    advancedOptionsWidget->hide();

    parseTimer = new QTimer(this);
    parseTimer->setSingleShot(true);
    savedFocus = nullptr;

    startDefaultUserLookUp();

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

    rootForced = false;
    scheduler = 0;
    initPriorities();
    savedPriorityState = false;
    quietRealtime = false;

    auto *helpAction = new QAction(tr("Help"), this);
    helpAction->setShortcuts(QKeySequence::HelpContents);
    connect(helpAction, &QAction::triggered, this, &Roderuz::showHelp);
    addAction(helpAction);

    loadSettings();
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

void Roderuz::setCommandText(const QString &text)
{
    QLineEdit *edit = cbCommand->lineEdit();
    edit->setText(text);
    edit->deselect();
    const int blank = text.indexOf(QLatin1Char(' '));
    if (blank > 0)
        edit->setSelection(blank + 1, text.length() - blank - 1);
}

void Roderuz::setUser(const QString &name)
{
    cbRunAsOther->setChecked(true);
    leUsername->setText(name);
    userPreset = true;
    advancedOptionsWidget->show();
}

void Roderuz::setUseSu()
{
    rbSu->setChecked(true);
}

void Roderuz::setUseSudo()
{
    rbSudo->setChecked(true);
}

void Roderuz::setRealtime()
{
    quietRealtime = true;
    slotRealtime(true);
    quietRealtime = false;
    advancedOptionsWidget->show();
}

void Roderuz::setPriority(int value)
{
    slPriority->setValue(value);
    advancedOptionsWidget->show();
}

void Roderuz::setRunInTerminal(bool on)
{
    if (!cbRunInTerminal->isEnabled())
        return;
    cbRunInTerminal->setChecked(on);
    if (on) {
        currentIcon = QIcon::fromTheme(QStringLiteral("utilities-terminal"));
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

void Roderuz::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        adjustDialogSize();
}

void Roderuz::accept()
{
    resetDialog();
    QDialog::accept();
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
}

bool Roderuz::rootNeeded() const
{
    return (cbPriority->isChecked() && nicePriority < startNice) || scheduler != 0;
}

void Roderuz::slotAdvanced()
{
    const bool wasMaximized = isMaximized();
    if (advancedOptionsWidget->isHidden()) {
        advancedSpacer->changeSize(0, 0, QSizePolicy::Ignored, QSizePolicy::Ignored);
        advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
        advancedOptionsWidget->show();
        // Let the panel take its minimum height first, then let it grow.
        QTimer::singleShot(0, this, &Roderuz::setExpandingSizePolicyForAdvancedWidget);
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
    advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void Roderuz::slotParseTimer()
{
    updateCommand(false);
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
    updateRunButton();
    if (!text.isEmpty()) {
        parseTimer->start(parseDelay);
        return;
    }
    parser.parse(QString());
    if (autoTerminal)
        setRunInTerminal(false);
    lbRunIcon->setIcon(QIcon::fromTheme(QStringLiteral("system-run")));
}

void Roderuz::showHelp()
{
    kavHelpShow(QString());
}

void Roderuz::selectCommandFile() { }

void Roderuz::selectCommandFromMenu() { }

void Roderuz::updateRunButton()
{
    pbRun->setEnabled(!cbCommand->currentText().isEmpty()
        && (!cbRunAsOther->isChecked() || !leUsername->text().isEmpty()));
}

void Roderuz::loadRunnerPlugin() { }

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

    const bool isTerminalCommand = parser.type() == Executable
        && (terminalApps.contains(parser.executableName()) || parser.isTerminalEntry());
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
        cbCommand->lineEdit()->clear();
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
