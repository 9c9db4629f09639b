// SPDX-License-Identifier: GPL-2.0-or-later
#include "instanceclient.h"

#include "qtsingleapplication.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

static const int listenerRetryMs = 20;

// Owns a socket descriptor.
class SocketDescriptor
{
public:
    SocketDescriptor()
        : fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    { }
    ~SocketDescriptor()
    {
        if (fd >= 0)
            close(fd);
    }
    Q_DISABLE_COPY(SocketDescriptor)

    const int fd;
};

static int remainingMs(const QDeadlineTimer &deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

static bool connectTo(int fd, const QByteArray &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    int result;
    do
        result = connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

static bool writeAll(int fd, const QByteArray &data)
{
    qint64 written = 0;
    while (written < data.size()) {
        const ssize_t count =
            send(fd, data.constData() + written, size_t(data.size() - written), MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += count;
    }
    return true;
}

// Reads until the answer is complete: the acknowledgement byte alone (an
// instance without a message handler keeps the connection open), or else
// everything up to the end of the connection.
static InstanceClient::Outcome readAnswer(
    int fd, const QDeadlineTimer &deadline, QByteArray *answer)
{
    for (;;) {
        if (answer->startsWith(QtSingleApplication::acknowledgement))
            return InstanceClient::Answered;
        pollfd readable { fd, POLLIN, 0 };
        const int ready = poll(&readable, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return InstanceClient::Unanswered;
        char buffer[4096];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return InstanceClient::Unanswered;
        if (count == 0)
            return answer->isEmpty() ? InstanceClient::NotRunning : InstanceClient::Answered;
        answer->append(buffer, int(count));
    }
}

InstanceClient::InstanceClient(const QString &serverPath)
    : m_serverPath(serverPath)
{ }

InstanceClient::Outcome InstanceClient::send(const QString &message, int timeout, ListenerWait wait)
{
    m_answer.clear();
    if (m_serverPath.isEmpty())
        return NotRunning;
    const QDeadlineTimer deadline(timeout);
    const QByteArray path = QFile::encodeName(m_serverPath);
    for (;;) {
        const SocketDescriptor socket;
        if (socket.fd < 0)
            return NotRunning;
        if (connectTo(socket.fd, path))
            return exchange(socket.fd, message, deadline);
        if (wait == NoWait)
            return NotRunning;
        if (deadline.hasExpired())
            return Unanswered;
        QThread::msleep(listenerRetryMs);
    }
}

InstanceClient::Outcome InstanceClient::exchange(
    int fd, const QString &message, const QDeadlineTimer &deadline)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << message;
    if (!writeAll(fd, data))
        return NotRunning;

    QByteArray answer;
    const Outcome outcome = readAnswer(fd, deadline, &answer);
    if (outcome == Answered)
        m_answer = answer;
    return outcome;
}
