// SPDX-License-Identifier: GPL-2.0-or-later
#include "optionshortcuts.h"

#include "ui_roderuzdlgui.h"

#include <QShortcut>

OptionShortcuts::OptionShortcuts(QWidget *dialog, Ui::RoderuzDlgUI *form,
    std::function<bool()> busy, std::function<void()> openPanel)
    : m_dialog(dialog)
    , m_form(form)
    , m_busy(std::move(busy))
    , m_openPanel(std::move(openPanel))
{
    // These keys are no mnemonic of any text in the dialog, in English or in German.
    describeButton(form->selectCommandFileButton, tr("Choose a program file"), Qt::ALT | Qt::Key_O);
    describeButton(
        form->selectFromMenuButton, form->selectFromMenuButton->toolTip(), Qt::ALT | Qt::Key_L);
    describeButton(form->rbSu, tr("Change the user with su"), Qt::ALT | Qt::Key_X);
    describeButton(form->rbSudo, tr("Change the user with sudo"), Qt::ALT | Qt::Key_Y);

    // A button's own shortcut moves the focus to it and clicks it 100 ms
    // later, and only while it shows and can be used: keys typed meanwhile
    // went astray, and with the advanced options closed the letter went into
    // the command. The dialog's shortcuts take their place.
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *> { form->cbRunInTerminal,
             form->cbRunAsOther, form->rbSu, form->rbSudo, form->cbPriority, form->cbRealtime }) {
        const QKeySequence key = button->shortcut();
        button->setShortcut(QKeySequence());
        addShortcut(key, [this, button] { pressOption(button); });
    }
    // A label keeps its own shortcut, which does the same while its field can take the focus.
    const std::pair<QLabel *, QAbstractButton *> labels[] = { { form->lbUsername,
                                                                  form->cbRunAsOther },
        { form->lbPassword, form->cbRunAsOther }, { form->textLabel1, form->cbPriority } };
    for (const auto &[label, option] : labels) {
        QWidget *field = label->buddy();
        addShortcut(QKeySequence::mnemonic(label->text()),
            [this, field, option = option] { focusOption(field, option); });
    }
}

void OptionShortcuts::describeButton(
    QAbstractButton *button, const QString &description, const QKeySequence &shortcut)
{
    button->setShortcut(shortcut);
    button->setAccessibleName(description);
    //: Tool tip: what a button does, then its keyboard shortcut
    button->setToolTip(tr("%1 (%2)").arg(description, shortcut.toString(QKeySequence::NativeText)));
}

void OptionShortcuts::addShortcut(const QKeySequence &key, const std::function<void()> &act)
{
    // The shortcuts are the dialog's children and end before the dialog's members.
    auto *shortcut = new QShortcut(key, m_dialog);
    QObject::connect(shortcut, &QShortcut::activated, m_dialog, act);
    // Shared with a label's own shortcut, which focuses the same field.
    QObject::connect(shortcut, &QShortcut::activatedAmbiguously, m_dialog, act);
}

void OptionShortcuts::pressOption(QAbstractButton *button)
{
    if (m_busy())
        return;
    if (m_form->advancedOptionsWidget->isAncestorOf(button))
        m_openPanel();
    // su and sudo are the ways to run as another user: choosing one asks for that.
    QAbstractButton *runAsOther = m_form->cbRunAsOther;
    if ((button == m_form->rbSu || button == m_form->rbSudo) && !runAsOther->isChecked()
        && runAsOther->isEnabled())
        runAsOther->click();
    if (!button->isEnabled())
        return;
    // Ticking the user's box moves the focus to the user name; otherwise the
    // keys typed next go on where they went, unless that field closes.
    QWidget *typing = m_dialog->focusWidget();
    button->click();
    if (!typing || !typing->isEnabled())
        button->setFocus(Qt::ShortcutFocusReason);
}

void OptionShortcuts::focusOption(QWidget *field, QAbstractButton *option)
{
    if (m_busy())
        return;
    m_openPanel();
    if (!field->isEnabled() && !option->isChecked() && option->isEnabled())
        option->click();
    if (field->isEnabled())
        field->setFocus(Qt::ShortcutFocusReason);
}
