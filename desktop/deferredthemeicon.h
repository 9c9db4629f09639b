// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DEFERREDTHEMEICON_H
#define DEFERREDTHEMEICON_H

#include <QObject>
#include <QStringList>

class QAbstractButton;

/**
 * Gives a button the first theme icon of a list of names right after the
 * button has been drawn for the first time, once. A button without text has
 * the same size with or without an icon, and a name the theme lacks costs
 * more than building the rest of a dialog (firstThemeIcon()), so the look-up
 * waits until the window is on the screen. The object belongs to the button
 * and removes itself when the icon is set.
 */
class DeferredThemeIcon : public QObject
{
    Q_OBJECT

public:
    DeferredThemeIcon(QAbstractButton *button, const QStringList &names);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setIcon();

    QAbstractButton *button;
    const QStringList names;
};

#endif
