// SPDX-License-Identifier: GPL-2.0-or-later
// A valid Qt plug-in that offers some other interface than a runner, under the
// runner's own name without its version, as a plug-in of an older dialog would.
#include <QObject>
#include <QtPlugin>

class IGreeter
{
public:
    virtual ~IGreeter() = default;
    virtual QString greeting() const = 0;
};

#define IGreeter_iid "org.kav.kav-run.IOrvanRunner"
Q_DECLARE_INTERFACE(IGreeter, IGreeter_iid)

class GreeterPlugin : public QObject, public IGreeter
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IGreeter_iid)
    Q_INTERFACES(IGreeter)
public:
    QString greeting() const override { return QStringLiteral("hello"); }
};

#include "otherinterfaceplugin.moc"
