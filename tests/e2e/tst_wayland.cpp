// SPDX-License-Identifier: GPL-2.0-or-later
// kav-run in a Wayland session: weston with XWayland, nested in the test's
// own X server, whose keys reach the compositor as a keyboard's. An X11
// terminal (xterm) has the focus when kav-run starts, as after a hot key.
#include "../common/xvfbserver.h"
#include "kavrunsession.h"
#include "westoncompositor.h"
#include "xdriver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTest>

#include <memory>

class TestWayland : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void keysTypedAtTheStart_data();
    void keysTypedAtTheStart();
    void secondStartBringsTheDialogBack_data();
    void secondStartBringsTheDialogBack();
    void eachCompositorHasItsOwnDialog();

private:
    /** The session's environment on @p compositor, in GNOME's Wayland session or not. */
    QProcessEnvironment environment(const WestonCompositor &compositor, bool gnomeSession) const;
    /**
     * Starts an xterm on @p compositor's XWayland whose keys go to the file
     * @p keys, and waits until it has the focus; its window, empty when it
     * did not get it.
     */
    QString focusedTerminal(const WestonCompositor &compositor, const QString &keys);
    /** Waits until the focus leaves @p window: a Wayland window, or another one, took it. */
    static bool focusLeaves(const WestonCompositor &compositor, const QString &window);

    XvfbServer m_server;
    std::unique_ptr<XDriver> m_x;
    std::unique_ptr<WestonCompositor> m_compositor;
    std::unique_ptr<KavRunSession> m_session;
};

void TestWayland::initTestCase()
{
    if (!WestonCompositor::isInstalled())
        QSKIP("weston and xwayland are needed for a Wayland session");
    if (!m_server.start())
        QSKIP("Xvfb and xauth are needed to nest weston in");
    if (QStandardPaths::findExecutable(QStringLiteral("xterm")).isEmpty())
        QSKIP("xterm is needed as the X11 window that has the focus");
    m_x = std::make_unique<XDriver>(m_server);
}

void TestWayland::init()
{
    m_compositor = std::make_unique<WestonCompositor>(m_server.clientEnvironment());
    QVERIFY2(m_compositor->start(), "weston did not start");
    m_session = std::make_unique<KavRunSession>(m_x->environment());
    QVERIFY(m_session->isValid());
}

void TestWayland::cleanup()
{
    m_session.reset();
    m_compositor.reset();
}

QProcessEnvironment TestWayland::environment(
    const WestonCompositor &compositor, bool gnomeSession) const
{
    QProcessEnvironment environment = compositor.clientEnvironment(m_session->environment());
    environment.remove(QStringLiteral("XDG_SESSION_TYPE"));
    environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
    if (gnomeSession) {
        environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
    }
    return environment;
}

QString TestWayland::focusedTerminal(const WestonCompositor &compositor, const QString &keys)
{
    QFile::remove(keys);
    m_session->startProgram(QStringLiteral("env"),
        { QStringLiteral("DISPLAY=") + compositor.xwaylandDisplay(), QStringLiteral("xterm"),
            QStringLiteral("-title"), QFileInfo(keys).fileName(), QStringLiteral("-e"),
            QStringLiteral("/bin/sh"), QStringLiteral("-c"),
            QStringLiteral("stty -icanon -echo; exec cat > \"$0\""), keys });
    const QString window = compositor.xdotool({ QStringLiteral("search"), QStringLiteral("--sync"),
        QStringLiteral("--name"), QFileInfo(keys).fileName() });
    const QDeadlineTimer deadline(10000);
    while (!window.isEmpty() && compositor.focusedX11Window() != window) {
        if (deadline.hasExpired())
            return QString();
        QTest::qWait(50);
    }
    return window;
}

bool TestWayland::focusLeaves(const WestonCompositor &compositor, const QString &window)
{
    const QDeadlineTimer deadline(15000);
    while (compositor.focusedX11Window() == window) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

// The command that the dialog ran in the session's terminal; empty when none ran.
static QString commandInTerminal(const KavRunSession &session, int timeout = 10000)
{
    const QStringList arguments = session.terminalArguments(timeout);
    return arguments.isEmpty() ? QString() : arguments.last();
}

static QString contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

void TestWayland::keysTypedAtTheStart_data()
{
    QTest::addColumn<bool>("gnomeSession");
    // The dialog is a Wayland client, which cannot hold the keyboard: the
    // terminal keeps what is typed before the dialog is on the screen.
    QTest::newRow("GNOME on Wayland") << true;
    // The dialog is an X11 client of XWayland, where the keyboard is held.
    QTest::newRow("XWayland alone") << false;
}

void TestWayland::keysTypedAtTheStart()
{
    QFETCH(bool, gnomeSession);
    const QString keys = m_session->path() + QStringLiteral("/terminal-keys");
    const QString terminal = focusedTerminal(*m_compositor, keys);
    QVERIFY2(!terminal.isEmpty(), "the xterm did not get the focus");

    const QString typed = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789");
    QProcess *kavRun = m_session->startKavRun(
        { QStringLiteral("--terminal") }, environment(*m_compositor, gnomeSession));
    // A key pressed in the very milliseconds that kav-run needs to take the
    // keyboard is gone before it can.
    QTest::qWait(30);
    // Typed over a second, so that the dialog comes up in the middle.
    for (int part = 0; part < 3; ++part) {
        QVERIFY(m_x->type(typed.mid(part * 12, 12)));
        QTest::qWait(300);
    }
    QVERIFY2(focusLeaves(*m_compositor, terminal), "the dialog did not take the focus");
    const QString inTerminal = contentsOf(keys);
    if (inTerminal != typed) {
        QVERIFY(m_x->key({ QStringLiteral("Return") }));
        QCOMPARE(waitForExitCode(kavRun), 0);
    }
    const QString inDialog = commandInTerminal(*m_session, 2000);

    if (!gnomeSession) {
        QCOMPARE(inDialog, typed);
        QCOMPARE(inTerminal, QString());
        return;
    }
    // The terminal has the first keys and was never frozen, the dialog the
    // rest, each once and in order, also the key that comes before the
    // compositor activates the dialog.
    QVERIFY2(!inTerminal.isEmpty() && inTerminal + inDialog == typed,
        qPrintable(QStringLiteral("terminal \"%1\", dialog \"%2\"").arg(inTerminal, inDialog)));
}

void TestWayland::secondStartBringsTheDialogBack_data()
{
    keysTypedAtTheStart_data();
}

// Neither the compositor nor its window manager of XWayland activate a window that asks.
void TestWayland::secondStartBringsTheDialogBack()
{
    QFETCH(bool, gnomeSession);
    const QString keys = m_session->path() + QStringLiteral("/terminal-keys");
    const QString terminal = focusedTerminal(*m_compositor, keys);
    QVERIFY2(!terminal.isEmpty(), "the xterm did not get the focus");
    QProcess *kavRun = m_session->startKavRun(
        { QStringLiteral("--terminal") }, environment(*m_compositor, gnomeSession));
    QVERIFY2(focusLeaves(*m_compositor, terminal), "the dialog did not take the focus");

    // Another terminal comes to the front, and the hot key is pressed again.
    const QString front = focusedTerminal(*m_compositor, keys + QStringLiteral("-front"));
    QVERIFY2(!front.isEmpty(), "the second xterm did not get the focus");
    QCOMPARE(
        waitForExitCode(m_session->startKavRun({}, environment(*m_compositor, gnomeSession))), 255);
    QVERIFY2(focusLeaves(*m_compositor, front), "the dialog did not come back");
    QVERIFY(m_x->type(QStringLiteral("back")));
    QVERIFY(m_x->key({ QStringLiteral("Return") }));
    QCOMPARE(waitForExitCode(kavRun), 0);
    QCOMPARE(commandInTerminal(*m_session), QStringLiteral("back"));
    QCOMPARE(contentsOf(keys + QStringLiteral("-front")), QString());
}

void TestWayland::eachCompositorHasItsOwnDialog()
{
    WestonCompositor second(m_server.clientEnvironment());
    QVERIFY2(second.start(), "the second weston did not start");
    // Both sessions are the same user's, with one runtime folder.
    QProcess *first = m_session->startKavRun({}, environment(*m_compositor, true));
    QProcess *other = m_session->startKavRun({}, environment(second, true));
    QCOMPARE(waitForExitCode(first, 3000), -1000);
    QCOMPARE(waitForExitCode(other, 1000), -1000);
    // A later start in the second session finds the dialog of its own.
    QCOMPARE(waitForExitCode(m_session->startKavRun({}, environment(second, true))), 255);
}

QTEST_GUILESS_MAIN(TestWayland)
#include "tst_wayland.moc"
