// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ACCESSIBILITYBUS_H
#define ACCESSIBILITYBUS_H

#include <QJsonObject>
#include <QList>

#include <functional>

class KavRunSession;
class QProcess;

/**
 * What a screen reader meets in a KavRunSession: a D-Bus session bus of the
 * session's own, the accessibility bus with its registry, and a reader's
 * client on it (atspiclient.py) that records every event a reader hears and
 * reads kav-run's windows on request. Programs the session starts afterwards
 * talk to that bus, kav-run with its accessibility always on. Everything runs
 * in the session, which stops it by its process ids.
 */
class AccessibilityBus
{
public:
    explicit AccessibilityBus(KavRunSession &session);

    /** False when a bus or the client did not start. */
    bool isValid() const { return m_client != nullptr; }

    /** The events recorded so far, oldest first: {"event", "role", "name", "data", ...}. */
    QList<QJsonObject> events();
    /** The first event recorded, past or within @p timeout ms, that is @p wanted; empty when none.
     */
    QJsonObject waitForEvent(
        const std::function<bool(const QJsonObject &)> &wanted, int timeout = 5000);
    /** Every object of kav-run's windows: {"role", "name", "description", "text", "states"}. */
    QList<QJsonObject> tree();
    /**
     * Reads every list of kav-run over and over for @p milliseconds, doing
     * @p meanwhile once the reading has begun; the number of rows read, -1
     * when the client did not answer.
     */
    int readLists(int milliseconds, const std::function<void()> &meanwhile);

private:
    /** Sends @p request; the answers up to the one that ends it, empty after @p timeout ms. */
    QList<QJsonObject> ask(const QString &request, int timeout = 10000,
        const std::function<void()> &meanwhile = nullptr);
    /** Reads what the client printed: events to m_events, answers to m_answers. */
    bool readClient(int timeout);

    QProcess *m_client = nullptr;
    QList<QJsonObject> m_events;
    QList<QJsonObject> m_answers;
};

#endif
