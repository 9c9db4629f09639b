// SPDX-License-Identifier: GPL-2.0-or-later
#include "qtsingleapplication.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QThread>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

// The running instance answers each message with this byte once it has it.
static const char acknowledgement = '\x06';

static bool isPrivateDirectory(const QByteArray &path)
{
    struct stat info;
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid()
        && (info.st_mode & 077) == 0;
}

// A directory that only this user can enter: the runtime directory, or else
// one of the user's own under the temporary directory. Empty when neither is
// safe, for example when another user has taken the temporary one's name.
static QString privateDirectory()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateDirectory(runtime))
        return QFile::decodeName(runtime);

    const QByteArray fallback = QFile::encodeName(QDir::tempPath())
        + QByteArrayLiteral("/qtsingleapplication-") + QByteArray::number(getuid());
    if (mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    return isPrivateDirectory(fallback) ? QFile::decodeName(fallback) : QString();
}

static QString fileNameFor(const QString &identifier)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return QString(identifier).replace(unsafe, QStringLiteral("_"));
}

QtSingleApplication::QtSingleApplication(const QString &identifier, int &argc, char **argv)
    : QApplication(argc, argv)
    , m_identifier(identifier)
{
    const QString directory = privateDirectory();
    if (directory.isEmpty()) {
        qWarning("QtSingleApplication: no private directory for the instance lock");
        return;
    }
    const QString base = directory + QLatin1Char('/') + fileNameFor(identifier);
    m_socketPath = base + QStringLiteral(".socket");
    m_lock = std::make_unique<QLockFile>(base + QStringLiteral(".lock"));
    // The first instance holds the lock for as long as it runs, however long
    // that is; only a lock whose process has gone counts as stale.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        startServer();
    else
        m_running = m_lock->error() == QLockFile::LockFailedError;
}

QtSingleApplication::~QtSingleApplication() = default;

void QtSingleApplication::startServer()
{
    // Holding the lock, we know that a socket file left here belongs to an
    // instance that was killed.
    QLocalServer::removeServer(m_socketPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &QtSingleApplication::acceptConnection);
    if (!m_server->listen(m_socketPath))
        qWarning("QtSingleApplication: cannot listen on %s: %s", qPrintable(m_socketPath),
            qPrintable(m_server->errorString()));
}

void QtSingleApplication::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readMessage(socket);
    }
}

void QtSingleApplication::readMessage(QLocalSocket *socket)
{
    QDataStream stream(socket);
    stream.setVersion(QDataStream::Qt_5_15);
    stream.startTransaction();
    QString message;
    stream >> message;
    if (!stream.commitTransaction())
        return;
    socket->write(&acknowledgement, 1);
    socket->flush();
    emit messageReceived(message);
}

bool QtSingleApplication::sendMessage(const QString &message, int timeout)
{
    if (m_socketPath.isEmpty())
        return false;
    const QDeadlineTimer deadline(timeout);
    auto remaining = [&deadline] { return int(qMax<qint64>(0, deadline.remainingTime())); };

    // The running instance may hold the lock but not listen yet.
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(remaining()))
            break;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }

    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << message;
    socket.write(data);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(remaining()))
            return false;
    }
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(remaining()))
            return false;
    }
    char answer = 0;
    return socket.getChar(&answer) && answer == acknowledgement;
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
    m_activationWindow->show();
    m_activationWindow->setWindowState(m_activationWindow->windowState() & ~Qt::WindowMinimized);
    m_activationWindow->raise();
    m_activationWindow->activateWindow();
}
