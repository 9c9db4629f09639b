// SPDX-License-Identifier: GPL-2.0-or-later
// A runner in use without controls of its own, never active.
#include "exec/iorvanrunner.h"

#include <QObject>

class WidgetlessRunner : public QObject, public IOrvanRunner
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IOrvanRunner_iid)
    Q_INTERFACES(IOrvanRunner)
public:
    bool install(QWidget *, const QList<QCheckBox *> &) override { return true; }
    bool isActive() override { return false; }
    QString wrapCommand(const QString &command) override
    {
        return QStringLiteral("widgetlessrunner ") + command;
    }
};

#include "widgetlessrunner.moc"
