// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef OPTIONSHORTCUTS_H
#define OPTIONSHORTCUTS_H

#include <QCoreApplication>

#include <functional>

class QAbstractButton;
class QKeySequence;
class QWidget;
namespace Ui {
class RoderuzDlgUI;
}

/**
 * The keyboard shortcuts of the run dialog's buttons and options. The
 * options' act at once, so that the keys typed next go where the user
 * means, and open the advanced options first when those are closed: a letter
 * never lands in the command. Buttons whose text says nothing get a name too.
 */
class OptionShortcuts
{
    Q_DECLARE_TR_FUNCTIONS(Roderuz)

public:
    /**
     * Gives @p form's buttons and options their shortcuts on @p dialog. No
     * option acts while @p busy answers true; @p openPanel opens the
     * advanced options when they are closed.
     */
    OptionShortcuts(QWidget *dialog, Ui::RoderuzDlgUI *form, std::function<bool()> busy,
        std::function<void()> openPanel);
    Q_DISABLE_COPY(OptionShortcuts)

private:
    /**
     * Gives @p button, whose text does not say what it does, the keyboard
     * @p shortcut, @p description as its name for screen readers, and a tool
     * tip naming both.
     */
    static void describeButton(
        QAbstractButton *button, const QString &description, const QKeySequence &shortcut);
    /** Makes @p key, while the dialog is active, call @p act. */
    void addShortcut(const QKeySequence &key, const std::function<void()> &act);
    /** Clicks @p button for its shortcut; the focus stays where the user types next. */
    void pressOption(QAbstractButton *button);
    /** Focuses @p field for its label's shortcut, ticking @p option first when it is off. */
    void focusOption(QWidget *field, QAbstractButton *option);

    QWidget *m_dialog;
    Ui::RoderuzDlgUI *m_form;
    std::function<bool()> m_busy;
    std::function<void()> m_openPanel;
};

#endif
