// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DISCLOSUREBUTTON_H
#define DISCLOSUREBUTTON_H

#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;

/**
 * Tells screen readers that a button shows and hides a panel: the button is
 * expandable, expanded while the panel is shown, and says so when that changes.
 */
class DisclosureButton : public QObject
{
    Q_OBJECT

public:
    /** Makes @p button the disclosure button of @p panel; the helper is the button's child. */
    static void describe(QAbstractButton *button, QWidget *panel);

    /** Whether the panel is shown. */
    bool isExpanded() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DisclosureButton(QAbstractButton *button, QWidget *panel);

    QAbstractButton *m_button;
    QPointer<QWidget> m_panel;
};

#endif
