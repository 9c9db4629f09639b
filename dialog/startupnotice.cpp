// SPDX-License-Identifier: GPL-2.0-or-later
#include "startupnotice.h"

#include <QByteArray>
#include <QFileInfo>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <xcb/xcb.h>

// A value of a startup-notification message, quoted.
static QByteArray quoted(const QString &value)
{
    QByteArray bytes = value.toUtf8();
    bytes.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + bytes + '"';
}

static xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, false, std::strlen(name), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

// Sends @p message, ended by a NUL, to the root window in pieces of 20 bytes,
// the first of type _NET_STARTUP_INFO_BEGIN, the others _NET_STARTUP_INFO.
static void sendMessage(xcb_connection_t *connection, xcb_screen_t *screen, QByteArray message)
{
    const xcb_atom_t begin = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(connection, "_NET_STARTUP_INFO");
    // The messages come from a window of the sender's own.
    const xcb_window_t sender = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, sender, screen->root, -1, -1, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    message.append('\0');
    for (int offset = 0; offset < message.size(); offset += 20) {
        xcb_client_message_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = sender;
        event.type = offset == 0 ? begin : more;
        const QByteArray piece = message.mid(offset, 20);
        std::memcpy(event.data.data8, piece.constData(), piece.size());
        xcb_send_event(connection, false, screen->root, XCB_EVENT_MASK_PROPERTY_CHANGE,
            reinterpret_cast<const char *>(&event));
    }
    xcb_destroy_window(connection, sender);
    // A round trip: the server has handled the messages before the connection closes.
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

QString StartupNotice::announce(const QString &name, const QString &icon, const QString &program)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return QString();
    int screenNumber = 0;
    xcb_connection_t *connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return QString();
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int skipped = 0; skipped < screenNumber && screens.rem > 0; ++skipped)
        xcb_screen_next(&screens);
    // Unique on the display. Without the time of the user's key press, which
    // only the X server knows, the window manager decides the focus by itself.
    static int announced = 0;
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const QString id = QStringLiteral("kav-run-%1-%2-%3")
                           .arg(getpid())
                           .arg(QString::fromLocal8Bit(host))
                           .arg(++announced);
    if (screens.rem > 0) {
        QByteArray message = "new: ID=" + quoted(id) + " NAME=" + quoted(name) + " SCREEN="
            + QByteArray::number(screenNumber) + " BIN=" + quoted(QFileInfo(program).fileName());
        if (!icon.isEmpty())
            message += " ICON=" + quoted(icon);
        sendMessage(connection, screens.data, message);
    }
    xcb_disconnect(connection);
    return screens.rem > 0 ? id : QString();
}
