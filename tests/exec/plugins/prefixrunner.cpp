// SPDX-License-Identifier: GPL-2.0-or-later
// A runner with a label and two focusable controls that prefixes every command.
#include "exec/iorvanrunner.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QObject>

class PrefixRunner : public QObject, public IOrvanRunner
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IOrvanRunner_iid)
    Q_INTERFACES(IOrvanRunner)
public:
    bool install(QWidget *container, const QList<QCheckBox *> &options) override
    {
        QStringList optionNames;
        for (const QCheckBox *option : options)
            optionNames.append(option->objectName());
        container->setProperty("optionNames", optionNames);

        auto *layout = new QHBoxLayout(container);
        layout->addWidget(new QLabel(QStringLiteral("Wrapper:"), container));
        auto *first = new QLineEdit(container);
        first->setObjectName(QStringLiteral("first"));
        layout->addWidget(first);
        auto *second = new QCheckBox(QStringLiteral("Wrap"), container);
        second->setObjectName(QStringLiteral("second"));
        layout->addWidget(second);
        return true;
    }
    bool isActive() override { return true; }
    QString wrapCommand(const QString &command) override
    {
        return QStringLiteral("prefixrunner ") + command;
    }
};

#include "prefixrunner.moc"
