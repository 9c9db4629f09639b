// SPDX-License-Identifier: GPL-2.0-or-later
#include "heldkeyboard.h"

#include "keyboardhold.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <unistd.h>

HeldKeyboard::HeldKeyboard(int release, QObject *parent)
    : QObject(parent)
    , m_release(release)
{
    if (m_release < 0 || QGuiApplication::focusWindow()) {
        giveBack();
        return;
    }
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *window) {
        if (window)
            giveBack();
    });
    // The holder lets the keyboard go by then whatever happens; this one need not wait longer.
    QTimer::singleShot(KeyboardHold::holdLimitMs, this, &HeldKeyboard::giveBack);
}

HeldKeyboard::~HeldKeyboard()
{
    if (m_release >= 0)
        close(m_release);
}

void HeldKeyboard::giveBack()
{
    if (m_release >= 0)
        close(m_release);
    m_release = -1;
    deleteLater();
}
