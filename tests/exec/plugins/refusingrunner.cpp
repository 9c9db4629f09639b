// SPDX-License-Identifier: GPL-2.0-or-later
// A runner that puts a control into the container but declines to be used.
#include "exec/iorvanrunner.h"

#include <QLineEdit>
#include <QObject>

class RefusingRunner : public QObject, public IOrvanRunner
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IOrvanRunner_iid)
    Q_INTERFACES(IOrvanRunner)
public:
    bool install(QWidget *container, const QList<QCheckBox *> &) override
    {
        new QLineEdit(container);
        return false;
    }
    bool isActive() override { return true; }
    QString wrapCommand(const QString &command) override
    {
        return QStringLiteral("refusingrunner ") + command;
    }
};

#include "refusingrunner.moc"
