// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ADVANCEDPANEL_H
#define ADVANCEDPANEL_H

#include <QCoreApplication>

class QDialog;
class QWidget;
namespace Ui {
class RoderuzDlgUI;
}

/**
 * Opens and closes the run dialog's advanced options and sizes the dialog
 * for them: an open panel shows whole, a closed one gives its room back, and
 * the focus stays with the user.
 */
class AdvancedPanel
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /** The panel of @p form, the form of @p dialog. */
    AdvancedPanel(QDialog *dialog, Ui::RoderuzDlgUI *form);
    Q_DISABLE_COPY(AdvancedPanel)

    bool isOpen() const;
    /** Opens the panel when it is closed, closes it when it is open. */
    void toggle();

    /**
     * Gives a panel opened before the dialog was shown its height, before
     * the window is on the screen.
     * @return whether the dialog was resized, and so is to be placed again
     */
    bool settleBeforeShow();
    /** Forgets which widget had the focus when the panel opened. */
    void forgetFocus() { m_savedFocus = nullptr; }

private:
    void open();
    void close();
    /** Lets the open panel grow once it has taken its minimum height. */
    void setExpandingSizePolicyForAdvancedWidget();
    int neededHeight() const;

    QDialog *m_dialog;
    Ui::RoderuzDlgUI *m_form;
    // The widget that had the focus when the panel opened.
    QWidget *m_savedFocus = nullptr;
    // The panel was opened before the dialog was on the screen.
    bool m_sizePending = false;

    friend class RoderuzTest;
};

#endif
