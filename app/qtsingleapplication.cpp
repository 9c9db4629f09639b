// SPDX-License-Identifier: GPL-2.0-or-later
#include "qtsingleapplication.h"

#include "heldkeyboard.h"
#include "instanceclient.h"
#include "instancekeyboardhold.h"
#include "instanceserver.h"
#include "keyboardhold.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QScreen>
#include <QTimer>

#include <unistd.h>

// A lock file that names no process and is not new was left by a start killed
// while it made the file: it is stale whatever its age, once no process holds
// it, which removeStaleLockFile() makes sure of.
static bool isAbandoned(const QLockFile &lock, const QString &path)
{
    qint64 pid = 0;
    QString host;
    QString application;
    if (lock.getLockInfo(&pid, &host, &application))
        return false;
    // A start may be writing it this moment.
    return QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime()) >= 2000;
}

QtSingleApplication::QtSingleApplication(const QString &identifier, int &argc, char **argv)
    : QApplication(argc, argv)
    , m_identifier(identifier)
{
    const std::string files =
        InstanceClient::instanceFiles(QFile::encodeName(identifier).toStdString(), true);
    const QString base = QFile::decodeName(QByteArray::fromStdString(files));
    if (base.isEmpty()) {
        qWarning("QtSingleApplication: no private directory for the instance lock");
        return;
    }
    m_socketPath = base + QStringLiteral(".socket");
    m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // The first instance holds the lock for as long as it runs, however long
    // that is; only a lock whose process has gone counts as stale.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0) && isAbandoned(*m_lock, base + QStringLiteral(".lock"))
        && m_lock->removeStaleLockFile())
        m_lock->tryLock(0);
    if (m_lock->isLocked())
        startServer();
    else
        m_running = m_lock->error() == QLockFile::LockFailedError;
}

QtSingleApplication::~QtSingleApplication()
{
    // The socket goes before the lock, so that it cannot take the next instance's with it.
    delete m_server;
}

void QtSingleApplication::startServer()
{
    m_server = new InstanceServer(
        [this](const QString &message, int keyboardHold) { return answer(message, keyboardHold); },
        this);
    connect(
        m_server, &InstanceServer::messageReceived, this, &QtSingleApplication::messageReceived);
    if (m_server->listen(m_socketPath))
        return;
    qWarning("QtSingleApplication: cannot listen on %s: %s", qPrintable(m_socketPath),
        qPrintable(m_server->errorString()));
    // Later starts must not wait for an instance that cannot hear them.
    m_lock->unlock();
}

QByteArray QtSingleApplication::answer(const QString &message, int keyboardHold)
{
    // Held before the message is acted on: the keys typed meanwhile wait for the window.
    if (keyboardHold < 0 && m_keyboardHold && !focusWindow())
        keyboardHold = m_keyboardHold->hold();
    const QByteArray answer = m_messageHandler ? m_messageHandler(message)
                                               : QByteArray(1, InstanceClient::acknowledgement);
    if (m_activationWindow && m_activationWindow->isVisible())
        new HeldKeyboard(keyboardHold, this);
    else if (keyboardHold >= 0)
        close(keyboardHold);
    return answer;
}

void QtSingleApplication::holdKeyboardForLaterStarts(const std::string &display, bool connectNow)
{
    m_keyboardHold = std::make_unique<InstanceKeyboardHold>(display);
    if (connectNow)
        m_keyboardHold->connect();
}

bool QtSingleApplication::sendMessage(const QString &message, int timeout)
{
    if (m_socketPath.isEmpty())
        return false;
    // The running instance may hold the lock but not listen yet.
    InstanceClient client(QFile::encodeName(m_socketPath).toStdString());
    return client.send(message.toStdU16String(), timeout, InstanceClient::WaitForListener)
        == InstanceClient::Answered;
}

void QtSingleApplication::setActivationWindow(QWidget *window, bool activateOnMessage)
{
    m_activationWindow = window;
    disconnect(m_activateOnMessage);
    if (activateOnMessage)
        m_activateOnMessage = connect(this, &QtSingleApplication::messageReceived, this,
            &QtSingleApplication::activateWindow);
}

void QtSingleApplication::activateWindow()
{
    if (!m_activationWindow)
        return;
    // A Wayland compositor gives the focus to no window that asks for it,
    // and neither does its window manager of XWayland (whose screens are
    // named "XWAYLAND0" and on), but to a window that maps: one on the
    // screen is mapped again.
    const bool wayland = platformName().startsWith(QLatin1String("wayland"));
    if (m_activationWindow->isVisible()
        && (wayland || m_activationWindow->screen()->name().startsWith(QLatin1String("XWAYLAND"))))
        m_activationWindow->hide();
    const bool wasHidden = m_activationWindow->isHidden();
    m_activationWindow->show();
    m_activationWindow->setWindowState(m_activationWindow->windowState() & ~Qt::WindowMinimized);
    if (!wayland) {
        m_activationWindow->raise();
        m_activationWindow->activateWindow();
    }
    if (wasHidden)
        drawActiveFromFirstFrame();
}

void QtSingleApplication::drawActiveFromFirstFrame()
{
    // The window system gives the window the focus only once it is on the
    // screen; taken then, the focus would draw the focused field a second
    // time. Active here before its first paint, the window is drawn once, and
    // the focus that follows changes nothing.
    QWidget *const window = m_activationWindow;
    setActiveWindow(window);
    // A window manager that refuses the focus leaves the window looking
    // active while another one takes the keys; it looks as it is then.
    QTimer::singleShot(KeyboardHold::holdLimitMs, window, [window] {
        if (activeWindow() == window && focusWindow() != window->windowHandle())
            setActiveWindow(nullptr);
    });
}
