// SPDX-License-Identifier: GPL-2.0-or-later
#include "accessibilitybus.h"

#include "kavrunsession.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>

AccessibilityBus::AccessibilityBus(KavRunSession &session)
{
    const QString socket = session.path() + QStringLiteral("/runtime/session-bus");
    session.setVariable(
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=") + socket);
    // As under a screen reader: Qt's bridge on at once, not only when a reader asks.
    session.setVariable(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    session.setVariable(QStringLiteral("QT_ACCESSIBILITY"), QStringLiteral("1"));
    QProcess *sessionBus = session.startProgram(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--session"), QStringLiteral("--nofork"),
            QStringLiteral("--print-address"), QStringLiteral("--address=unix:path=") + socket });
    if (!sessionBus->waitForReadyRead(10000)) {
        qWarning("no D-Bus session bus: %s", sessionBus->readAllStandardError().constData());
        return;
    }
    session.startProgram(QStringLiteral("/usr/libexec/at-spi-bus-launcher"),
        { QStringLiteral("--launch-immediately") });
    QProcess *client = session.startProgram(QStringLiteral("/usr/bin/python3"),
        { qEnvironmentVariable("KAVRUN_SOURCE_DIR")
            + QStringLiteral("/tests/e2e/atspiclient.py") });
    m_client = client;
    const QList<QJsonObject> ready = ask(QString());
    if (ready.isEmpty() || !ready.last().value(QStringLiteral("ready")).toBool()) {
        qWarning("no AT-SPI client: %s", client->readAllStandardError().constData());
        m_client = nullptr;
    }
}

bool AccessibilityBus::readClient(int timeout)
{
    if (!m_client->canReadLine() && !m_client->waitForReadyRead(timeout))
        return false;
    while (m_client->canReadLine()) {
        const QJsonObject line = QJsonDocument::fromJson(m_client->readLine()).object();
        (line.contains(QStringLiteral("event")) ? m_events : m_answers).append(line);
    }
    return true;
}

QList<QJsonObject> AccessibilityBus::ask(
    const QString &request, int timeout, const std::function<void()> &meanwhile)
{
    m_answers.clear();
    if (!request.isEmpty())
        m_client->write(request.toUtf8() + '\n');
    if (meanwhile)
        meanwhile();
    QElapsedTimer clock;
    clock.start();
    // The answers end with {"end": ...}, the start with {"ready": true}.
    const auto ended = [this] {
        return !m_answers.isEmpty()
            && (m_answers.last().contains(QStringLiteral("end"))
                || m_answers.last().contains(QStringLiteral("ready"))
                || m_answers.last().contains(QStringLiteral("error")));
    };
    while (!ended() && !clock.hasExpired(timeout))
        readClient(int(qMax<qint64>(1, timeout - clock.elapsed())));
    return ended() ? m_answers : QList<QJsonObject>();
}

QList<QJsonObject> AccessibilityBus::events()
{
    if (m_client)
        while (readClient(0)) { }
    return m_events;
}

QJsonObject AccessibilityBus::waitForEvent(
    const std::function<bool(const QJsonObject &)> &wanted, int timeout)
{
    QElapsedTimer clock;
    clock.start();
    int checked = 0;
    for (;;) {
        for (const QList<QJsonObject> recorded = events(); checked < recorded.size(); ++checked) {
            if (wanted(recorded.at(checked)))
                return recorded.at(checked);
        }
        if (!m_client || clock.hasExpired(timeout))
            return QJsonObject();
        readClient(int(qMax<qint64>(1, timeout - clock.elapsed())));
    }
}

QList<QJsonObject> AccessibilityBus::tree()
{
    QList<QJsonObject> objects = ask(QStringLiteral("tree"));
    if (!objects.isEmpty())
        objects.removeLast();
    return objects;
}

int AccessibilityBus::readLists(int milliseconds, const std::function<void()> &meanwhile)
{
    const QList<QJsonObject> answer =
        ask(QStringLiteral("read-lists %1").arg(milliseconds), milliseconds + 30000, meanwhile);
    return answer.isEmpty() ? -1 : answer.last().value(QStringLiteral("reads")).toInt(-1);
}
