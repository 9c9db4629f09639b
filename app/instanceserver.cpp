// SPDX-License-Identifier: GPL-2.0-or-later
#include "instanceserver.h"

#include "instanceclient.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// How long listening pauses when no descriptor is left for a connection.
static const int acceptPauseMs = 100;
// A string as the toolkit's data stream writes it begins with its length in
// bytes; this length stands for a null string.
static const quint32 nullStringLength = 0xffffffff;

// One later start's connection, until it is answered or dropped.
struct InstanceServer::Connection : QObject
{
    explicit Connection(int socket)
        : socket(socket)
        , notifier(new QSocketNotifier(socket, QSocketNotifier::Read, this))
        , deadline(new QTimer(this))
    {
        deadline->setSingleShot(true);
        deadline->start(connectionTimeoutMs);
    }
    // Closes the descriptors at once; the object goes later, as it may be in
    // the middle of a signal.
    void close()
    {
        notifier->setEnabled(false);
        deadline->stop();
        ::close(socket);
        if (passed >= 0)
            ::close(passed);
        deleteLater();
    }

    const int socket;
    QSocketNotifier *const notifier;
    QTimer *const deadline;
    QByteArray data;
    int passed = -1;
};

static QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

static bool isFromThisUser(int socket)
{
    ucred peer {};
    socklen_t size = sizeof peer;
    return getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

// Reads what @p socket has into @p data; a descriptor that comes along goes
// to @p passed when that is still empty and is closed otherwise.
// Returns false at the end of the connection or on an error.
static bool receive(int socket, QByteArray *data, int *passed)
{
    char buffer[4096];
    iovec chunk { buffer, sizeof buffer };
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    msghdr header {};
    header.msg_iov = &chunk;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const ssize_t count = recvmsg(socket, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (count < 0)
        return errno == EAGAIN || errno == EINTR;
    for (cmsghdr *part = CMSG_FIRSTHDR(&header); part; part = CMSG_NXTHDR(&header, part)) {
        if (part->cmsg_level != SOL_SOCKET || part->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t descriptors = (part->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < descriptors; ++i) {
            int descriptor;
            std::memcpy(&descriptor, CMSG_DATA(part) + i * sizeof(int), sizeof(int));
            if (*passed < 0)
                *passed = descriptor;
            else
                close(descriptor);
        }
    }
    data->append(buffer, int(count));
    return count > 0;
}

InstanceServer::InstanceServer(Answerer answerer, QObject *parent)
    : QObject(parent)
    , m_answerer(std::move(answerer))
{ }

InstanceServer::~InstanceServer()
{
    for (auto &connection : m_connections)
        connection.second.release()->close();
    if (m_listener >= 0) {
        close(m_listener);
        unlink(m_path.constData());
    }
}

bool InstanceServer::listen(const QString &path)
{
    m_path = QFile::encodeName(path);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(m_path.size()) >= sizeof address.sun_path) {
        m_error = QStringLiteral("the name is too long");
        return false;
    }
    std::memcpy(address.sun_path, m_path.constData(), size_t(m_path.size()));
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    // A socket left here is a killed instance's.
    unlink(m_path.constData());
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || chmod(m_path.constData(), 0600) != 0 || ::listen(listener, SOMAXCONN) != 0) {
        m_error = systemError();
        if (listener >= 0)
            close(listener);
        return false;
    }
    m_listener = listener;
    m_notifier = new QSocketNotifier(m_listener, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &InstanceServer::acceptConnections);
    return true;
}

void InstanceServer::acceptConnections()
{
    for (;;) {
        const int socket = accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN) {
                // Out of descriptors, most likely: the waiting connection would
                // wake us at once again.
                m_notifier->setEnabled(false);
                QTimer::singleShot(
                    acceptPauseMs, m_notifier, [this] { m_notifier->setEnabled(true); });
            }
            return;
        }
        if (m_connections.size() >= maximumConnections || !isFromThisUser(socket)) {
            close(socket);
            continue;
        }
        auto connection = std::make_unique<Connection>(socket);
        connect(connection->notifier, &QSocketNotifier::activated, this,
            [this, socket] { readFrom(socket); });
        connect(connection->deadline, &QTimer::timeout, this, [this, socket] { drop(socket); });
        m_connections.emplace(socket, std::move(connection));
        // A later start writes as soon as it is connected: its message is
        // most often here already, and is read without another wait.
        readFrom(socket);
    }
}

void InstanceServer::readFrom(int socket)
{
    Connection &connection = *m_connections.at(socket);
    if (!receive(socket, &connection.data, &connection.passed)) {
        drop(socket);
        return;
    }
    const QByteArray &data = connection.data;
    if (data.size() < 4)
        return;
    const quint32 length = qFromBigEndian<quint32>(data.constData());
    if (length == nullStringLength) {
        answer(socket, QString());
        return;
    }
    if (length > InstanceClient::maximumMessageBytes || length % 2 != 0) {
        drop(socket);
        return;
    }
    if (quint32(data.size()) - 4 < length)
        return;
    QString message(int(length / 2), Qt::Uninitialized);
    qFromBigEndian<quint16>(data.constData() + 4, message.size(), message.data());
    answer(socket, message);
}

void InstanceServer::answer(int socket, const QString &message)
{
    Connection &connection = *m_connections.at(socket);
    const int passed = connection.passed;
    connection.passed = -1;
    const QByteArray answer = m_answerer(message, passed);
    // An answer is a few bytes, far less than the socket's buffer takes.
    if (send(socket, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL | MSG_DONTWAIT) < 0)
        qWarning("QtSingleApplication: cannot answer: %s", std::strerror(errno));
    drop(socket);
    Q_EMIT messageReceived(message);
}

void InstanceServer::drop(int socket)
{
    const auto connection = m_connections.find(socket);
    if (connection == m_connections.end())
        return;
    connection->second.release()->close();
    m_connections.erase(connection);
}
