// SPDX-License-Identifier: GPL-2.0-or-later
#include "xdriver.h"

#include "../common/xvfbserver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

XDriver::XDriver(const XvfbServer &server)
    : m_environment(server.clientEnvironment())
    , m_windowManager(server.hasWindowManager())
{ }

bool XDriver::run(
    const QString &program, const QStringList &arguments, QString *output, int timeout) const
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(program, arguments);
    if (!process.waitForFinished(timeout)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool XDriver::xdotool(const QStringList &arguments, QString *output, int timeout) const
{
    return run(QStringLiteral("xdotool"), arguments, output, timeout);
}

QString XDriver::waitForWindow(const QString &name, int timeout) const
{
    const QString pattern = QLatin1Char('^') + QRegularExpression::escape(name) + QLatin1Char('$');
    QElapsedTimer clock;
    clock.start();
    QString windows;
    // xdotool gives up when a window goes while it searches; the search starts again.
    while (windows.trimmed().isEmpty() && !clock.hasExpired(timeout)) {
        xdotool({ QStringLiteral("search"), QStringLiteral("--sync"),
                    QStringLiteral("--onlyvisible"), QStringLiteral("--name"), pattern },
            &windows, int(timeout - clock.elapsed()));
    }
    return windows.section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString XDriver::waitForFocusedWindow(const QString &name) const
{
    const QString window = waitForWindow(name);
    return !window.isEmpty() && focus(window) ? window : QString();
}

QStringList XDriver::visibleWindows(qint64 pid) const
{
    // xdotool reports "nothing found" with a failure status and no output.
    QString windows;
    xdotool({ QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                QString::number(pid) },
        &windows);
    return windows.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool XDriver::focus(const QString &window) const
{
    // Without a window manager only the focus can be set, not the activation.
    return xdotool(
        { m_windowManager ? QStringLiteral("windowactivate") : QStringLiteral("windowfocus"),
            QStringLiteral("--sync"), window });
}

bool XDriver::type(const QString &text) const
{
    return xdotool(
        { QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), text }, nullptr,
        10000);
}

bool XDriver::key(const QStringList &keys) const
{
    return xdotool(
        QStringList { QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("30") }
        + keys);
}

QSize XDriver::windowSize(const QString &window) const
{
    static const QRegularExpression geometry(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
    QString report;
    if (!xdotool({ QStringLiteral("getwindowgeometry"), window }, &report))
        return QSize();
    const QRegularExpressionMatch match = geometry.match(report);
    if (!match.hasMatch())
        return QSize();
    return QSize(match.captured(1).toInt(), match.captured(2).toInt());
}

QStringList XDriver::stackingOrder() const
{
    // A window manager puts each window into a frame of its own and lists the
    // windows themselves, bottom-most first. Without one, xwininfo lists the
    // root's children top-most first.
    static const QRegularExpression listed(QStringLiteral("0x([0-9a-f]+)"));
    static const QRegularExpression child(
        QStringLiteral("^\\s+0x([0-9a-f]+) "), QRegularExpression::MultilineOption);
    QString report;
    const bool read = m_windowManager
        ? run(QStringLiteral("xprop"),
            { QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING") }, &report)
        : run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-children") },
            &report);
    if (!read)
        return {};
    QStringList windows;
    QRegularExpressionMatchIterator ids = (m_windowManager ? listed : child).globalMatch(report);
    while (ids.hasNext()) {
        const QString id = QString::number(ids.next().captured(1).toULongLong(nullptr, 16));
        if (m_windowManager)
            windows.append(id);
        else
            windows.prepend(id);
    }
    return windows;
}

QString XDriver::clipboard() const
{
    QString text;
    if (!run(QStringLiteral("xclip"),
            { QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard") },
            &text))
        return QString();
    return text;
}
