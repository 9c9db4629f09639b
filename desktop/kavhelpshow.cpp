// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/kavdesktop.h"
#include "helpwindow.h"

#include <QPointer>

void kavHelpShow(const QString &topic)
{
    // One handbook window per process; closing it only hides it.
    static QPointer<HelpWindow> window;
    if (!window)
        window = new HelpWindow;
    window->showTopic(topic);
}
