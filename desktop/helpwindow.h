// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HELPWINDOW_H
#define HELPWINDOW_H

#include <QTextBrowser>

/**
 * A small window that shows the application's handbook, which is built into
 * the program. It opens centred on the window it was made for (its parent),
 * stays above it, and closes with Escape or the platform's close keys
 * (Ctrl+W). It does not keep the application running once the dialog has
 * closed.
 */
class HelpWindow : public QTextBrowser
{
    Q_OBJECT

public:
    /** A window for @p parent's window, or a free one without a parent. */
    explicit HelpWindow(QWidget *parent = nullptr);

    /** Shows the handbook at the anchor @p topic, or at its start when empty. */
    void showTopic(const QString &topic);

    /** Names the application in the title of windows made later, such as
     *  "Kav command runner Handbook"; until then it is the application's name. */
    static void setApplicationName(const QString &name);

private:
    /** Centres the window on its parent's window, or on the screen without one, inside the
     *  screen's free area. */
    void placeOverParent();
};

#endif
