// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef AFTERFIRSTFRAME_H
#define AFTERFIRSTFRAME_H

#include <QObject>

#include <functional>

class QWidget;

/**
 * Runs work that a window's first frame does not show once that frame has
 * been drawn, so that the window appears as early as it can.
 *
 * The work runs once, at the first of these moments: right after the
 * window's first paint has reached the screen; when the event loop starts
 * while the window is hidden (nothing waits to be drawn then); half a second
 * after that start when the window was shown but never painted (it may be
 * covered); before the first input to a widget given to runBeforeInputTo(),
 * so that a key typed at once meets the finished window; or when run() is
 * called by something that needs the work done.
 */
class AfterFirstFrame : public QObject
{
    Q_OBJECT

public:
    /** Watches @p window, which also becomes this object's parent. */
    AfterFirstFrame(QWidget *window, std::function<void()> work);

    /** Runs the work first when @p widget is about to take a key, text or mouse press. */
    void runBeforeInputTo(QWidget *widget);
    /** Does the work now unless it has been done. */
    void run();
    /** Whether the work has been done. */
    bool hasRun() const { return done; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void runUnlessWaitingForPaint();

    QWidget *window;
    std::function<void()> work;
    bool done = false;
};

#endif
