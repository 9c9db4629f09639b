// SPDX-License-Identifier: GPL-2.0-or-later
#include "mappeddrawingexposures.h"

#include <QExposeEvent>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

static const char roleProperty[] = "WM_WINDOW_ROLE";

MappedDrawingExposures::MappedDrawingExposures(const std::string &display, QObject *parent)
    : QObject(parent)
{
    xcb_connection_t *connection = xcb_connect(display.c_str(), nullptr);
    if (!xcb_connection_has_error(connection)) {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection,
            xcb_intern_atom(connection, false, std::strlen(roleProperty), roleProperty), nullptr);
        if (reply)
            m_roleAtom = reply->atom;
        std::free(reply);
    }
    xcb_disconnect(connection);
}

void MappedDrawingExposures::drawingFollows(QWidget *window)
{
    if (!m_roleAtom || !window->windowHandle())
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window->windowHandle();
    m_window->installEventFilter(this);
    m_awaited = quint32(window->winId());
    m_answered = 0;
    window->setWindowRole(window->windowRole());
}

bool MappedDrawingExposures::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (!m_awaited || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    switch (event->response_type & 0x7f) {
    case XCB_MAP_NOTIFY: {
        // The toolkit takes the map as an exposure of the whole window.
        const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (map->event == m_awaited && map->window == m_awaited)
            ++m_answered;
        break;
    }
    case XCB_EXPOSE: {
        // The toolkit gathers a series of exposures into one, told by the last.
        const auto *expose = reinterpret_cast<const xcb_expose_event_t *>(event);
        if (expose->window == m_awaited && expose->count == 0)
            ++m_answered;
        break;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (change->window == m_awaited && change->atom == m_roleAtom)
            m_awaited = 0;
        break;
    }
    }
    return false;
}

bool MappedDrawingExposures::eventFilter(QObject *watched, QEvent *event)
{
    // The toolkit has marked the window exposed before it tells the window.
    if (watched == m_window && event->type() == QEvent::Expose && m_answered > 0
        && !static_cast<QExposeEvent *>(event)->region().isEmpty()) {
        --m_answered;
        return true;
    }
    return false;
}
