// SPDX-License-Identifier: GPL-2.0-or-later
#include "advancedpanel.h"

#include "ui_roderuzdlgui.h"

#include <QDialog>
#include <QLayout>
#include <QTimer>

AdvancedPanel::AdvancedPanel(QDialog *dialog, Ui::RoderuzDlgUI *form)
    : m_dialog(dialog)
    , m_form(form)
{ }

bool AdvancedPanel::isOpen() const
{
    return !m_form->advancedOptionsWidget->isHidden();
}

void AdvancedPanel::toggle()
{
    if (isOpen())
        close();
    else
        open();
}

void AdvancedPanel::open()
{
    m_form->advancedSpacer->changeSize(0, 0, QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_form->advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_form->advancedOptionsWidget->show();
    // Let the panel take its minimum height first, then let it grow; a
    // dialog not on the screen yet does so when it is shown.
    if (m_dialog->isVisible())
        QTimer::singleShot(0, m_dialog, [this] { setExpandingSizePolicyForAdvancedWidget(); });
    else
        m_sizePending = true;
    m_form->pbOptions->setText(tr("&Advanced <<"));
    m_savedFocus = m_dialog->focusWidget();
    if (m_savedFocus)
        m_savedFocus->setFocus(Qt::OtherFocusReason);
}

void AdvancedPanel::close()
{
    const bool wasMaximized = m_dialog->isMaximized();
    m_form->advancedOptionsWidget->hide();
    m_form->advancedSpacer->changeSize(20, 1, QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_dialog->layout()->activate();
    m_form->pbOptions->setText(tr("&Advanced >>"));
    if (m_savedFocus && m_savedFocus->parent() != m_form->gbAdvanced)
        m_savedFocus->setFocus(Qt::OtherFocusReason);
    if (!wasMaximized)
        m_dialog->resize(m_dialog->sizeHint());
}

int AdvancedPanel::neededHeight() const
{
    return qMax(m_dialog->minimumSizeHint().height(), m_dialog->heightForWidth(m_dialog->width()));
}

void AdvancedPanel::setExpandingSizePolicyForAdvancedWidget()
{
    QCoreApplication::processEvents();
    // A window put on the screen smaller than the open panel needs grows first.
    if (m_dialog->height() < neededHeight() && !m_dialog->isMaximized())
        m_dialog->resize(m_dialog->width(), neededHeight());
    m_form->advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool AdvancedPanel::settleBeforeShow()
{
    if (!m_sizePending)
        return false;
    // A window resized after it was placed on the screen can be moved to
    // where the window system has not placed it yet.
    m_sizePending = false;
    // The scroll area sizes its contents through posted events: its width
    // follows theirs, the layouts answer with requests of their own, and the
    // window's height follows the width. A few rounds settle them.
    for (int round = 0; round < 5; ++round) {
        QCoreApplication::sendPostedEvents();
        m_dialog->layout()->activate();
    }
    m_dialog->resize(m_dialog->width(), neededHeight());
    m_form->advancedOptionsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return true;
}
