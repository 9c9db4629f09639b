// SPDX-License-Identifier: GPL-2.0-or-later
#include "deferredthemeicon.h"

#include "desktop/themeicon.h"

#include <QAbstractButton>
#include <QEvent>
#include <QTimer>

DeferredThemeIcon::DeferredThemeIcon(QAbstractButton *button, const QStringList &names)
    : QObject(button)
    , button(button)
    , names(names)
{
    button->installEventFilter(this);
}

bool DeferredThemeIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == button && event->type() == QEvent::Paint) {
        button->removeEventFilter(this);
        // Queued behind the rest of the first frame.
        QTimer::singleShot(0, this, &DeferredThemeIcon::setIcon);
    }
    return QObject::eventFilter(watched, event);
}

void DeferredThemeIcon::setIcon()
{
    button->setIcon(firstThemeIcon(names));
    deleteLater();
}
