// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SHMBUFFERINTEGRATION_H
#define SHMBUFFERINTEGRATION_H

#include <QtWaylandClient/private/qwaylandclientbufferintegrationplugin_p.h>

/**
 * The client buffer integration "kav-run-shm" of Qt's Wayland platform: the
 * dialog's windows are drawn by the processor into shared memory, with the
 * title bar and frame that Qt draws itself, and OpenGL is never loaded. Qt's
 * default integration loads EGL and the graphics driver at the first window,
 * which a dialog never uses; without any integration Qt draws no title bar.
 * An OpenGL context or window cannot be made with it.
 */
class ShmBufferIntegrationPlugin : public QtWaylandClient::QWaylandClientBufferIntegrationPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(
        IID QWaylandClientBufferIntegrationFactoryInterface_iid FILE "shmbufferintegration.json")

public:
    /** The integration, whatever @p key and @p parameters say. */
    QtWaylandClient::QWaylandClientBufferIntegration *create(
        const QString &key, const QStringList &parameters) override;
};

#endif
