// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/kavdesktop.h"
#include "helpwindow.h"

#include <QApplication>
#include <QPointer>

void kavHelpShow(const QString &topic)
{
    // One handbook window per process; closing it only hides it. It belongs to
    // the window the user asked from, which it opens over.
    static QPointer<HelpWindow> window;
    if (!window)
        window = new HelpWindow(QApplication::activeWindow());
    window->showTopic(topic);
}
