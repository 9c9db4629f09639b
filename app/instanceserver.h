// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INSTANCESERVER_H
#define INSTANCESERVER_H

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;

/**
 * Where the first instance of a QtSingleApplication listens for later
 * starts (InstanceClient). Each connection brings one message, which may
 * carry a descriptor along, and gets one answer, after which the server
 * closes it.
 *
 * Only processes of this user are served, and the server stays small
 * whatever its peers do: a message longer than
 * InstanceClient::maximumMessageBytes, a connection that has not brought its
 * whole message within connectionTimeoutMs, and connections beyond
 * maximumConnections at a time are closed unanswered. Running out of
 * descriptors pauses the listening for a moment and never ends it.
 */
class InstanceServer : public QObject
{
    Q_OBJECT

public:
    /**
     * What the server answers to @p message. @p passedDescriptor is the
     * descriptor that came along with it, or -1; it belongs to the function.
     */
    using Answerer = std::function<QByteArray(const QString &message, int passedDescriptor)>;

    /** The most connections served at a time. */
    static constexpr size_t maximumConnections = 16;
    /** The time that a connection has to bring its message, in milliseconds. */
    static constexpr int connectionTimeoutMs = 2000;

    explicit InstanceServer(Answerer answerer, QObject *parent = nullptr);
    /** Stops listening and removes the socket. */
    ~InstanceServer() override;
    Q_DISABLE_COPY(InstanceServer)

    /**
     * Listens at @p path, replacing a file that is there; the caller makes
     * sure that no other instance uses it.
     * @return false when that failed; errorString() says why
     */
    bool listen(const QString &path);
    /** Why listen() failed; empty when it did not. */
    QString errorString() const { return m_error; }

Q_SIGNALS:
    /** @p message has been answered and its connection closed. */
    void messageReceived(const QString &message);

private:
    struct Connection;

    void acceptConnections();
    void readFrom(int socket);
    void answer(int socket, const QString &message);
    void drop(int socket);

    Answerer m_answerer;
    QByteArray m_path;
    int m_listener = -1;
    QSocketNotifier *m_notifier = nullptr;
    std::map<int, std::unique_ptr<Connection>> m_connections;
    QString m_error;
};

#endif
