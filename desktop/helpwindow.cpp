// SPDX-License-Identifier: GPL-2.0-or-later
#include "helpwindow.h"

#include <QGuiApplication>
#include <QScrollBar>

// The handbook sits in a static library; its resource must be registered
// by name or the linker drops it.
static void registerHandbook()
{
    Q_INIT_RESOURCE(help);
}

HelpWindow::HelpWindow(QWidget *parent)
    : QTextBrowser(parent)
{
    registerHandbook();
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(tr("%1 Handbook").arg(QGuiApplication::applicationDisplayName()));
    setOpenExternalLinks(true);
    setSource(QUrl(QStringLiteral("qrc:/help/handbook.html")));
    resize(640, 560);
}

void HelpWindow::showTopic(const QString &topic)
{
    if (topic.isEmpty())
        verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    else
        scrollToAnchor(topic);
    show();
    raise();
    activateWindow();
}
