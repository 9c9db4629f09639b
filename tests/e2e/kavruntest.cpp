// SPDX-License-Identifier: GPL-2.0-or-later
#include "kavruntest.h"

#include <QTest>

QString KavRunTest::showDialog(QProcess *kavRun) const
{
    const QString window = m_x->waitForFocusedWindow(QStringLiteral("Run Command"));
    if (window.isEmpty())
        qWarning() << "no dialog; kav-run said:" << kavRun->readAllStandardError();
    return window;
}

void KavRunTest::initTestCase()
{
    // Users meet the dialog under a window manager.
    if (!m_server.start(XvfbServer::WithWindowManager))
        QSKIP("Xvfb and xauth are needed for the dialog on a real X server");
    m_x = std::make_unique<XDriver>(m_server);
}

void KavRunTest::init()
{
    m_session = std::make_unique<KavRunSession>(m_x->environment());
    QVERIFY(m_session->isValid());
}

void KavRunTest::cleanup()
{
    m_session.reset();
}
