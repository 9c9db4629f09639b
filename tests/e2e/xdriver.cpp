// SPDX-License-Identifier: GPL-2.0-or-later
#include "xdriver.h"

#include "../common/xvfbserver.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

XDriver::XDriver(const XvfbServer &server)
    : m_environment(server.clientEnvironment())
    , m_cookie(QByteArray::fromHex(server.cookie().toLatin1()))
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

QString XDriver::textProperty(const QString &window, const QString &property) const
{
    // xprop shows it as: NAME = "text"
    QString output;
    if (!run(QStringLiteral("xprop"),
            { QStringLiteral("-notype"), QStringLiteral("-id"), window, property }, &output))
        return QString();
    const int start = output.indexOf(QLatin1Char('"'));
    const int end = output.lastIndexOf(QLatin1Char('"'));
    return end > start ? output.mid(start + 1, end - start - 1) : QString();
}

std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t *)> XDriver::connect() const
{
    char protocol[] = "MIT-MAGIC-COOKIE-1";
    QByteArray cookie = m_cookie;
    xcb_auth_info_t authority { int(sizeof protocol - 1), protocol, cookie.size(), cookie.data() };
    const QByteArray display = m_environment.value(QStringLiteral("DISPLAY")).toLocal8Bit();
    return { xcb_connect_to_display_with_auth_info(display.constData(), &authority, nullptr),
        xcb_disconnect };
}

bool XDriver::keyboardIsGrabbed() const
{
    const auto connection = connect();
    if (xcb_connection_has_error(connection.get()))
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;
    const std::unique_ptr<xcb_grab_keyboard_reply_t, void (*)(void *)> grab(
        xcb_grab_keyboard_reply(connection.get(),
            xcb_grab_keyboard(connection.get(), 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                XCB_GRAB_MODE_ASYNC),
            nullptr),
        std::free);
    // Taken for a moment, the keyboard goes back at once.
    if (grab && grab->status == XCB_GRAB_STATUS_SUCCESS)
        xcb_ungrab_keyboard(connection.get(), XCB_CURRENT_TIME);
    xcb_flush(connection.get());
    return grab
        && (grab->status == XCB_GRAB_STATUS_ALREADY_GRABBED
            || grab->status == XCB_GRAB_STATUS_FROZEN);
}

int XDriver::pixelsOfColour(const QString &window, quint32 rgb) const
{
    const auto connection = connect();
    if (xcb_connection_has_error(connection.get()))
        return -1;
    const xcb_window_t id = window.toUInt();
    const std::unique_ptr<xcb_get_geometry_reply_t, void (*)(void *)> geometry(
        xcb_get_geometry_reply(connection.get(), xcb_get_geometry(connection.get(), id), nullptr),
        std::free);
    if (!geometry)
        return -1;
    const std::unique_ptr<xcb_get_image_reply_t, void (*)(void *)> image(
        xcb_get_image_reply(connection.get(),
            xcb_get_image(connection.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, id, 0, 0, geometry->width,
                geometry->height, ~0U),
            nullptr),
        std::free);
    // Our servers have 24-bit colour, kept in 32 bits a pixel.
    const int pixels = geometry->width * geometry->height;
    if (!image || image->depth != 24 || xcb_get_image_data_length(image.get()) != pixels * 4)
        return -1;
    const auto *data = reinterpret_cast<const quint32 *>(xcb_get_image_data(image.get()));
    return int(std::count_if(
        data, data + pixels, [rgb](quint32 pixel) { return (pixel & 0xffffff) == rgb; }));
}

QRect XDriver::windowGeometry(const QString &window) const
{
    static const QRegularExpression geometry(
        QStringLiteral("Position: (-?\\d+),(-?\\d+).*Geometry: (\\d+)x(\\d+)"),
        QRegularExpression::DotMatchesEverythingOption);
    QString report;
    if (!xdotool({ QStringLiteral("getwindowgeometry"), window }, &report))
        return QRect();
    const QRegularExpressionMatch match = geometry.match(report);
    if (!match.hasMatch())
        return QRect();
    return QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
        match.captured(4).toInt());
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
