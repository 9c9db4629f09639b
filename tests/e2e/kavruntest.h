// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KAVRUNTEST_H
#define KAVRUNTEST_H

#include "../common/xvfbserver.h"
#include "kavrunsession.h"
#include "xdriver.h"

#include <QObject>

#include <memory>

/**
 * What every end-to-end test shares: an X server with a window manager for
 * the whole test, driven by m_x, and a fresh KavRunSession for each case,
 * which kills what it started when the case ends. A test that cleans up more
 * declares its own cleanup() slot and calls this one last.
 */
class KavRunTest : public QObject
{
    Q_OBJECT

protected:
    /** Waits for the dialog of @p kavRun and focuses it; its window id, empty on failure. */
    QString showDialog(QProcess *kavRun) const;

    XvfbServer m_server;
    std::unique_ptr<XDriver> m_x;
    std::unique_ptr<KavRunSession> m_session;

protected Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
};

#endif
