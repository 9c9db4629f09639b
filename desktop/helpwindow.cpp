// SPDX-License-Identifier: GPL-2.0-or-later
#include "helpwindow.h"

#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QScrollBar>

// The handbook sits in a static library; its resource must be registered
// by name or the linker drops it.
static void registerHandbook()
{
    Q_INIT_RESOURCE(help);
}

// The handbook in the first of the user's languages that has a page of its
// own, the English one otherwise.
static QUrl handbookUrl()
{
    const QStringList languages = QLocale().uiLanguages();
    for (const QString &language : languages) {
        const QString page =
            QStringLiteral(":/help/handbook_%1.html").arg(language.section(QLatin1Char('-'), 0, 0));
        if (QFile::exists(page))
            return QUrl(QStringLiteral("qrc") + page);
    }
    return QUrl(QStringLiteral("qrc:/help/handbook.html"));
}

HelpWindow::HelpWindow(QWidget *parent)
    : QTextBrowser(parent)
{
    registerHandbook();
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(tr("%1 Handbook").arg(QGuiApplication::applicationDisplayName()));
    setOpenExternalLinks(true);
    setSource(handbookUrl());
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
