// SPDX-License-Identifier: GPL-2.0-or-later
#include "qtsingleapplication.h"

#include "instanceclient.h"

#include <QDataStream>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

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
    const QByteArray answer = m_messageHandler ? m_messageHandler(message)
                                               : QByteArray(1, InstanceClient::acknowledgement);
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
    m_activationWindow->show();
    m_activationWindow->setWindowState(m_activationWindow->windowState() & ~Qt::WindowMinimized);
    m_activationWindow->raise();
    m_activationWindow->activateWindow();
}
