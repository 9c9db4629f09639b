// SPDX-License-Identifier: GPL-2.0-or-later
#include "afterfirstframe.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <utility>

static const int unpaintedWindowDelay = 500;

AfterFirstFrame::AfterFirstFrame(QWidget *window, std::function<void()> work)
    : QObject(window)
    , window(window)
    , work(std::move(work))
{
    window->installEventFilter(this);
    QTimer::singleShot(0, this, &AfterFirstFrame::runUnlessWaitingForPaint);
}

void AfterFirstFrame::runBeforeInputTo(QWidget *widget)
{
    widget->installEventFilter(this);
}

void AfterFirstFrame::run()
{
    if (done)
        return;
    done = true;
    work();
}

void AfterFirstFrame::runUnlessWaitingForPaint()
{
    if (window->isVisible())
        QTimer::singleShot(unpaintedWindowDelay, this, &AfterFirstFrame::run);
    else
        run();
}

bool AfterFirstFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (done)
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        // The frame is drawn and sent once the paint event has been handled;
        // the work comes in the next round of the event loop.
        if (watched == window)
            QTimer::singleShot(0, this, &AfterFirstFrame::run);
        break;
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::DragEnter:
        if (watched != window)
            run();
        break;
    default:
        break;
    }
    return false;
}
