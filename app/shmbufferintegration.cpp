// SPDX-License-Identifier: GPL-2.0-or-later
#include "shmbufferintegration.h"

#include <QtWaylandClient/private/qwaylandclientbufferintegration_p.h>

namespace {

// Leaves every window to Qt's shared-memory drawing, which draws the title bar
// where the integration allows it.
class ShmBufferIntegration : public QtWaylandClient::QWaylandClientBufferIntegration
{
public:
    void initialize(QtWaylandClient::QWaylandDisplay *) override { }
    bool supportsWindowDecoration() const override { return true; }
    QtWaylandClient::QWaylandWindow *createEglWindow(QWindow *) override { return nullptr; }
    QPlatformOpenGLContext *createPlatformOpenGLContext(
        const QSurfaceFormat &, QPlatformOpenGLContext *) const override
    {
        return nullptr;
    }
};

} // namespace

QtWaylandClient::QWaylandClientBufferIntegration *ShmBufferIntegrationPlugin::create(
    const QString &, const QStringList &)
{
    return new ShmBufferIntegration;
}
