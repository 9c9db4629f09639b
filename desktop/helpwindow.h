// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HELPWINDOW_H
#define HELPWINDOW_H

#include <QTextBrowser>

/**
 * A small window that shows the application's handbook, which is built into
 * the program. It does not keep the application running once the dialog has
 * closed.
 */
class HelpWindow : public QTextBrowser
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    /** Shows the handbook at the anchor @p topic, or at its start when empty. */
    void showTopic(const QString &topic);
};

#endif
