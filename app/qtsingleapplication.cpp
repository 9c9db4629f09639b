// SPDX-License-Identifier: GPL-2.0-or-later
#include "qtsingleapplication.h"

#include "instanceclient.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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

// The lock and the socket of @p identifier without their endings; empty when
// there is no private directory.
static QString instanceFilesBase(const QString &identifier)
{
    const QString directory = privateDirectory();
    if (directory.isEmpty())
        return QString();
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    return directory + QLatin1Char('/') + QString(identifier).replace(unsafe, QStringLiteral("_"));
}

static QString socketPathFor(const QString &base)
{
    return base + QStringLiteral(".socket");
}

QString QtSingleApplication::serverPath(const QString &identifier)
{
    const QString base = instanceFilesBase(identifier);
    return base.isEmpty() ? QString() : socketPathFor(base);
}

QtSingleApplication::QtSingleApplication(const QString &identifier, int &argc, char **argv)
    : QApplication(argc, argv)
    , m_identifier(identifier)
{
    const QString base = instanceFilesBase(identifier);
    if (base.isEmpty()) {
        qWarning("QtSingleApplication: no private directory for the instance lock");
        return;
    }
    m_socketPath = socketPathFor(base);
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
    const QByteArray answer =
        m_messageHandler ? m_messageHandler(message) : QByteArray(1, acknowledgement);
    socket->write(answer);
    socket->flush();
    // The answer ends with the connection.
    socket->disconnectFromServer();
    emit messageReceived(message);
}

bool QtSingleApplication::sendMessage(const QString &message, int timeout)
{
    if (m_socketPath.isEmpty())
        return false;
    // The running instance may hold the lock but not listen yet.
    InstanceClient client(m_socketPath);
    return client.send(message, timeout, InstanceClient::WaitForListener)
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
    m_activationWindow->show();
    m_activationWindow->setWindowState(m_activationWindow->windowState() & ~Qt::WindowMinimized);
    m_activationWindow->raise();
    m_activationWindow->activateWindow();
}
