// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HELDKEYBOARD_H
#define HELDKEYBOARD_H

#include <QObject>

/**
 * The keyboard that a start of kav-run holds for this application (see
 * KeyboardHold), given back once a window of the application has the input
 * focus, so that the keys typed meanwhile reach that window in order. It
 * goes at once when a window has the focus already.
 */
class HeldKeyboard : public QObject
{
    Q_OBJECT

public:
    /**
     * Takes the release descriptor @p release, which may be -1 for none, and
     * lives as a child of @p parent until it is given back.
     */
    HeldKeyboard(int release, QObject *parent);
    ~HeldKeyboard() override;
    Q_DISABLE_COPY(HeldKeyboard)

private:
    void giveBack();

    int m_release;
};

#endif
