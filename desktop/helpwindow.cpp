// SPDX-License-Identifier: GPL-2.0-or-later
#include "helpwindow.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
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

static QString &applicationName()
{
    static QString name = QCoreApplication::applicationName();
    return name;
}

void HelpWindow::setApplicationName(const QString &name)
{
    applicationName() = name;
}

HelpWindow::HelpWindow(QWidget *parent)
    : QTextBrowser(parent)
{
    registerHandbook();
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(tr("%1 Handbook").arg(applicationName()));
    setOpenExternalLinks(true);
    setSource(handbookUrl());
    resize(640, 560);

    auto *closeAction = new QAction(this);
    closeAction->setShortcuts(
        QList<QKeySequence> { Qt::Key_Escape } + QKeySequence::keyBindings(QKeySequence::Close));
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    addAction(closeAction);
}

void HelpWindow::showTopic(const QString &topic)
{
    if (topic.isEmpty())
        verticalScrollBar()->setValue(verticalScrollBar()->minimum());
    else
        scrollToAnchor(topic);
    if (!isVisible())
        placeOverParent();
    show();
    raise();
    activateWindow();
}

void HelpWindow::placeOverParent()
{
    const QWidget *over = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen *screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame is known once the window has been shown.
    const QSize frame = frameGeometry().size() - size();
    resize(size().boundedTo(area.size() - frame));
    QRect placed(QPoint(), frameGeometry().size());
    placed.moveCenter(over ? over->frameGeometry().center() : area.center());
    // Centred on a dialog near an edge, the window would reach past it.
    placed.moveLeft(
        qBound(area.left(), placed.left(), area.left() + area.width() - placed.width()));
    placed.moveTop(qBound(area.top(), placed.top(), area.top() + area.height() - placed.height()));
    move(placed.topLeft());
}
