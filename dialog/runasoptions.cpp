// SPDX-License-Identifier: GPL-2.0-or-later
#include "runasoptions.h"

#include "core/backgroundthreadpool.h"
#include "localaccounts.h"
#include "privilegedlauncher.h"
#include "spokenstatus.h"
#include "ui_roderuzdlgui.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFocusEvent>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QtConcurrent>

#include <cerrno>
#include <sched.h>
#include <sys/resource.h>

static QString rootUser()
{
    return QStringLiteral("root");
}

static int processNiceValue()
{
    // getpriority() may legitimately return -1, so only errno tells a failure.
    errno = 0;
    const int value = getpriority(PRIO_PROCESS, 0);
    return (value == -1 && errno != 0) ? 0 : value;
}

RunAsOptions::RunAsOptions(
    QWidget *window, Ui::RoderuzDlgUI *form, SpokenStatus *status, std::function<void()> changed)
    : m_window(window)
    , m_form(form)
    , m_status(status)
    , m_changed([] {})
{
    Ui::RoderuzDlgUI &f = *form;
    m_passwordLabelText = f.lbPassword->text();
    fixOptionLabelColumn();
    // The labels and fields follow their boxes before the options react to them.
    QObject::connect(f.cbPriority, &QCheckBox::toggled, f.lbLowPriority, &QWidget::setEnabled);
    QObject::connect(f.cbPriority, &QCheckBox::toggled, f.slPriority, &QWidget::setEnabled);
    QObject::connect(f.cbPriority, &QCheckBox::toggled, f.lbHighPriority, &QWidget::setEnabled);
    QObject::connect(f.cbRunAsOther, &QCheckBox::toggled, f.lbUsername, &QWidget::setEnabled);
    QObject::connect(f.cbRunAsOther, &QCheckBox::toggled, f.leUsername, &QWidget::setEnabled);
    QObject::connect(f.cbRunAsOther, &QCheckBox::toggled, f.lbPassword, &QWidget::setEnabled);
    QObject::connect(f.cbRunAsOther, &QCheckBox::toggled, f.lePassword, &QWidget::setEnabled);
    QObject::connect(f.cbPriority, &QCheckBox::toggled, f.textLabel1, &QWidget::setEnabled);
    QObject::connect(f.slPriority, &QSlider::valueChanged, f.sbPriority, &QSpinBox::setValue);
    QObject::connect(
        f.sbPriority, qOverload<int>(&QSpinBox::valueChanged), f.slPriority, &QSlider::setValue);

    QObject::connect(f.cbPriority, &QCheckBox::toggled, &m_context,
        [this](bool on) { slotChangeScheduler(on); });
    QObject::connect(f.slPriority, &QSlider::valueChanged, &m_context,
        [this](int value) { slotPriority(value); });
    QObject::connect(
        f.cbRealtime, &QCheckBox::toggled, &m_context, [this](bool on) { slotRealtime(on); });
    QObject::connect(
        f.cbRunAsOther, &QCheckBox::toggled, &m_context, [this](bool on) { slotChangeUid(on); });
    QObject::connect(
        f.leUsername, &QLineEdit::textChanged, &m_context, [this] { updateAuthLabel(); });
    QObject::connect(f.rbSu, &QRadioButton::toggled, &m_context, [this] { m_changed(); });
    QObject::connect(f.lePassword, &QLineEdit::textChanged, &m_context, [this] { m_changed(); });
    initPriorities();
    // The dialog hears of changes once it can read them.
    m_changed = std::move(changed);
}

void RunAsOptions::fill(LaunchOptions *options) const
{
    const LaunchOptions priority = priorityOptions();
    options->priorityChosen = priority.priorityChosen;
    options->scheduler = priority.scheduler;
    options->nicePriority = priority.nicePriority;
    options->realtimePriority = priority.realtimePriority;
    options->startNice = priority.startNice;
    options->runAsOther = m_form->cbRunAsOther->isChecked();
    options->userName = m_form->leUsername->text();
    options->sudoChosen = !m_form->rbSu->isChecked();
    options->passwordTyped = !m_form->lePassword->text().isEmpty();
}

LaunchOptions RunAsOptions::priorityOptions() const
{
    LaunchOptions options;
    options.priorityChosen = m_form->cbPriority->isChecked();
    options.scheduler = m_scheduler;
    options.nicePriority = m_nicePriority;
    options.realtimePriority = m_realtimePriority;
    options.startNice = m_startNice;
    return options;
}

void RunAsOptions::setUser(const QString &name)
{
    m_form->cbRunAsOther->setChecked(true);
    m_form->leUsername->setText(name);
    m_userPreset = true;
}

void RunAsOptions::setRealtime()
{
    m_quietRealtime = true;
    slotRealtime(true);
    m_quietRealtime = false;
}

void RunAsOptions::setPriority(int value)
{
    m_form->slPriority->setValue(value);
}

void RunAsOptions::reset()
{
    m_nicePriority = 0;
    m_scheduler = SchedulingPolicy::Normal;
    m_form->cbRunAsOther->setChecked(false);
    m_form->leUsername->setText(rootUser());
    m_form->cbPriority->setChecked(false);
    m_form->slPriority->setValue(m_nicePriority);
    m_form->cbRealtime->setChecked(false);
    wipeLineEdit(m_form->lePassword);
    m_rootForced = false;
    updateAuthLabel();
}

void RunAsOptions::startDefaultUserLookUp()
{
    QLineEdit *field = m_form->leUsername;
    auto *watcher = new QFutureWatcher<QString>(m_window);
    QObject::connect(watcher, &QFutureWatcher<QString>::finished, field, [this, field, watcher] {
        if (!m_userPreset && !field->isModified())
            field->setText(watcher->result());
        watcher->deleteLater();
    });
    // The name services may not answer.
    static QThreadPool *const accountLookUps = newBackgroundThreadPool(1);
    watcher->setFuture(QtConcurrent::run(accountLookUps, &LocalAccounts::defaultTargetUser));
}

void RunAsOptions::installUserNameCompleter()
{
    QStringList userNames;
    if (!LocalAccounts::readUserNames(&userNames))
        return;
    auto *completer = new QCompleter(userNames, m_form->leUsername);
    completer->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
    m_form->leUsername->setCompleter(completer);
    // A shortcut that moves the focus on leaves no list behind to take the next key.
    // The list is made when first asked for, which takes a while: there is
    // none to hide before the field has had the focus.
    QObject::connect(qApp, &QApplication::focusChanged, completer,
        [completer, fieldFocused = false](QWidget *, QWidget *now) mutable {
            fieldFocused = fieldFocused || now == completer->widget();
            if (!fieldFocused || !now || now == completer->widget())
                return;
            QWidget *list = completer->popup();
            if (now == list || !list->isVisible())
                return;
            list->hide();
            // The field handed the focus to its list and heard nothing since:
            // it would go on drawing its frame and caret as if focused.
            QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
            QCoreApplication::sendEvent(completer->widget(), &focusOut);
        });
}

void RunAsOptions::fixOptionLabelColumn()
{
    Ui::RoderuzDlgUI &f = *m_form;
    // Room for the form's labels and for the password label of a user name
    // of up to eight characters, the traditional longest.
    int width = 0;
    for (const QLabel *label : { f.lbUsername, f.lbPassword, f.textLabel1 })
        width = qMax(width, label->sizeHint().width());
    m_optionLabelWidth = width + 12 * f.lbPassword->fontMetrics().averageCharWidth();
    f.gridLayout_2->setColumnMinimumWidth(1, m_optionLabelWidth);
    // The text is cut to the column; its size hint must not widen it either.
    f.lbPassword->setSizePolicy(QSizePolicy::Ignored, f.lbPassword->sizePolicy().verticalPolicy());
}

void RunAsOptions::showPasswordLabel(const QString &label)
{
    // Typing a user name must not move the fields beside it: a long name is
    // cut short, and the tool tip and screen readers have it whole.
    QLabel *shownIn = m_form->lbPassword;
    const QString text = label.isEmpty() ? m_passwordLabelText : label;
    // Each change of what Run will do asks again; eliding takes a while.
    if (text == m_passwordLabelShown && shownIn->font() == m_passwordLabelFont)
        return;
    m_passwordLabelShown = text;
    m_passwordLabelFont = shownIn->font();
    const QString shown = shownIn->fontMetrics().elidedText(
        text, Qt::ElideRight, m_optionLabelWidth, Qt::TextShowMnemonic);
    QString whole = text;
    whole.remove(QLatin1Char('&'));
    shownIn->setText(shown);
    shownIn->setToolTip(shown == text ? QString() : whole);
    shownIn->setAccessibleName(whole);
}

void RunAsOptions::initPriorities()
{
    m_realtimePriority =
        (sched_get_priority_min(SCHED_FIFO) + sched_get_priority_max(SCHED_FIFO)) / 2;
    m_startNice = processNiceValue();
    m_nicePriority = m_startNice;
    if (m_startNice > 0) {
        m_normalLowEnd = 10;
        m_normalHighEnd = m_startNice - 20;
    } else {
        m_normalLowEnd = m_startNice + 19;
        m_normalHighEnd = -20;
    }
    setPriorityRange(m_normalLowEnd, m_normalHighEnd, m_startNice);
}

void RunAsOptions::setPriorityRange(int low, int high, int value)
{
    QSlider *slider = m_form->slPriority;
    QSpinBox *spinBox = m_form->sbPriority;
    {
        const QSignalBlocker blockSpinBox(spinBox);
        const QSignalBlocker blockSlider(slider);
        spinBox->setRange(qMin(low, high), qMax(low, high));
        slider->setRange(qMin(low, high), qMax(low, high));
    }
    // The "Low" end is always on the left, and the keys move the handle as it is drawn.
    slider->setInvertedAppearance(low > high);
    slider->setInvertedControls(low > high);
    slider->setValue(value);
    m_form->lbLowPriority->setText(tr("%1 (Low)").arg(low));
    m_form->lbHighPriority->setText(tr("%1 (High)").arg(high));
    namePriority(slider->value());
}

void RunAsOptions::namePriority(int value)
{
    QWidget *slider = m_form->slPriority;
    QWidget *spinBox = m_form->sbPriority;
    QString name;
    if (m_scheduler == SchedulingPolicy::Realtime)
        name = tr("Real-time priority, higher numbers run first");
    else if (value < m_startNice)
        name = tr("Priority, higher than the default");
    else if (value > m_startNice)
        name = tr("Priority, lower than the default");
    else
        name = tr("Priority, the default");
    if (name != slider->accessibleName() && (slider->hasFocus() || spinBox->hasFocus()))
        m_status->addNote(name);
    slider->setAccessibleName(name);
    spinBox->setAccessibleName(name);
}

void RunAsOptions::updateAuthLabel()
{
    Ui::RoderuzDlgUI &f = *m_form;
    {
        // The fields written here are not heard: what depends on them follows below, once.
        const QSignalBlocker blockUser(f.leUsername);
        const QSignalBlocker blockPassword(f.lePassword);
        const QSignalBlocker blockOther(f.cbRunAsOther);
        const bool rootNeeded = LaunchPlan::needsRoot(priorityOptions());
        if (rootNeeded && !m_rootForced) {
            // An empty name shows root again once root is no longer needed.
            m_savedUser = f.leUsername->text().isEmpty() ? rootUser() : f.leUsername->text();
            m_savedPassword = f.lePassword->text();
            m_savedRunAsOther = f.cbRunAsOther->isChecked();
            m_rootForced = true;
            if (f.leUsername->text() != rootUser() && !f.lePassword->text().isEmpty()) {
                f.lePassword->clear();
                m_status->addNote(tr("The password was cleared"));
            }
            f.leUsername->setText(rootUser());
            f.cbRunAsOther->setChecked(true);
        } else if (!rootNeeded && m_rootForced) {
            f.leUsername->setText(m_savedUser);
            f.lePassword->setText(m_savedPassword);
            f.cbRunAsOther->setChecked(m_savedRunAsOther);
            m_rootForced = false;
        }
    }
    // Root forced shows in the fields, which the user cannot change then;
    // the focus stays where the user is.
    const bool runAsOther = f.cbRunAsOther->isChecked();
    f.cbRunAsOther->setEnabled(!m_rootForced);
    f.rbSu->setEnabled(runAsOther);
    f.rbSudo->setEnabled(runAsOther);
    f.leUsername->setEnabled(runAsOther && !m_rootForced);
    f.lbUsername->setEnabled(runAsOther);
    // A user restored after root was forced keeps a usable password field.
    const bool passwordWanted = runAsOther && !f.leUsername->text().isEmpty();
    f.lePassword->setEnabled(passwordWanted);
    f.lbPassword->setEnabled(passwordWanted);
    m_changed();
}

void RunAsOptions::slotPriority(int value)
{
    if (m_scheduler == SchedulingPolicy::Realtime)
        m_realtimePriority = value;
    else
        m_nicePriority = value;
    namePriority(value);
    updateAuthLabel();
}

void RunAsOptions::slotRealtime(bool on)
{
    Ui::RoderuzDlgUI &f = *m_form;
    if (!on) {
        m_scheduler = SchedulingPolicy::Normal;
        f.cbPriority->setEnabled(true);
        f.cbPriority->setChecked(m_savedPriorityState);
        setPriorityRange(m_normalLowEnd, m_normalHighEnd, m_nicePriority);
        updateAuthLabel();
        return;
    }

    m_scheduler = SchedulingPolicy::Realtime;
    // Kept before asking, so that declining gives the user's own choice back.
    m_savedPriorityState = f.cbPriority->isChecked();
    if (!m_quietRealtime) {
        const QMessageBox::StandardButton answer =
            QMessageBox::question(m_window, tr("Warning - Run Command"),
                tr("Running a realtime application can be very dangerous. If the application "
                   "misbehaves, the system might hang "
                   "unrecoverably.\nAre you sure you want to continue?"),
                QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::NoButton);
        if (answer != QMessageBox::Yes) {
            m_scheduler = SchedulingPolicy::Normal;
            f.cbRealtime->setChecked(false);
            updateAuthLabel();
            return;
        }
    }
    f.cbPriority->setChecked(true);
    f.cbPriority->setEnabled(false);
    setPriorityRange(
        sched_get_priority_min(SCHED_FIFO), sched_get_priority_max(SCHED_FIFO), m_realtimePriority);
    updateAuthLabel();
}

void RunAsOptions::slotChangeUid(bool on)
{
    Ui::RoderuzDlgUI &f = *m_form;
    f.rbSu->setEnabled(on);
    f.rbSudo->setEnabled(on);
    f.leUsername->setEnabled(on);
    f.lbUsername->setEnabled(on);
    if (on) {
        f.leUsername->selectAll();
        f.leUsername->setFocus(Qt::OtherFocusReason);
    }
    updateAuthLabel();
}

void RunAsOptions::slotChangeScheduler(bool on)
{
    Ui::RoderuzDlgUI &f = *m_form;
    f.slPriority->setEnabled(on);
    f.sbPriority->setEnabled(on);
    f.lbLowPriority->setEnabled(on);
    f.lbHighPriority->setEnabled(on);
    updateAuthLabel();
}
