// SPDX-License-Identifier: GPL-2.0-or-later
#include "disclosurebutton.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>

namespace {

/** A push button that is expandable, pressed in while expanded; its name is its accessible
 *  name or its text. */
class AccessibleDisclosureButton : public QAccessibleWidget
{
public:
    AccessibleDisclosureButton(QAbstractButton *button, const DisclosureButton *disclosure)
        : QAccessibleWidget(button, QAccessible::Button)
        , disclosure(disclosure)
    {
        addControllingSignal(QLatin1String("clicked(bool)"));
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = disclosure->isExpanded();
        // The bridge to screen readers tells them when a button is pressed
        // in, not when it is expanded: the button is pressed in while the panel shows.
        state.checkable = true;
        state.checked = state.expanded;
        return state;
    }

    QString text(QAccessible::Text type) const override
    {
        QString text = QAccessibleWidget::text(type);
        if (type == QAccessible::Name && text.isEmpty())
            text = button()->text().remove(QLatin1Char('&'));
        return text;
    }

    QStringList actionNames() const override
    {
        return QStringList { pressAction() } + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }

    const DisclosureButton *disclosure;
};

QAccessibleInterface *accessibleDisclosureButton(const QString &, QObject *object)
{
    auto *button = qobject_cast<QAbstractButton *>(object);
    const auto *disclosure = button
        ? button->findChild<DisclosureButton *>(QString(), Qt::FindDirectChildrenOnly)
        : nullptr;
    return disclosure ? new AccessibleDisclosureButton(button, disclosure) : nullptr;
}

} // namespace

DisclosureButton::DisclosureButton(QAbstractButton *button, QWidget *panel)
    : QObject(button)
    , m_button(button)
    , m_panel(panel)
{
    panel->installEventFilter(this);
}

void DisclosureButton::describe(QAbstractButton *button, QWidget *panel)
{
    static const bool factoryInstalled =
        (QAccessible::installFactory(&accessibleDisclosureButton), true);
    Q_UNUSED(factoryInstalled)
    new DisclosureButton(button, panel);
    // An interface made while the form was built knows nothing of the panel.
    QAccessibleInterface *known = QAccessible::queryAccessibleInterface(button);
    if (known && !dynamic_cast<AccessibleDisclosureButton *>(known))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

bool DisclosureButton::isExpanded() const
{
    return m_panel && !m_panel->isHidden();
}

bool DisclosureButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panel && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        QAccessible::State changed;
        changed.expanded = true;
        changed.checked = true;
        QAccessibleStateChangeEvent stateChange(m_button, changed);
        QAccessible::updateAccessibility(&stateChange);
    }
    return QObject::eventFilter(watched, event);
}
