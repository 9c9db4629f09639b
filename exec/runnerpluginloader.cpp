// SPDX-License-Identifier: GPL-2.0-or-later
#include "runnerpluginloader.h"

#include "iorvanrunner.h"

#include <QDir>
#include <QPluginLoader>
#include <QWidget>

IOrvanRunner *loadFirstRunner(const QString &directory)
{
    const QDir plugins(directory);
    if (!plugins.exists())
        return nullptr;
    // Qt 5 reads QDir::NoSort as "the default sort"; Unsorted is the folder's own order.
    const QStringList names =
        plugins.entryList({ QStringLiteral("*.so") }, QDir::Files, QDir::Unsorted);
    for (const QString &name : names) {
        // The loader may go; a library whose instance we got stays loaded.
        QPluginLoader loader(plugins.absoluteFilePath(name));
        if (auto *runner = qobject_cast<IOrvanRunner *>(loader.instance()))
            return runner;
    }
    return nullptr;
}

bool installRunner(IOrvanRunner *runner, QWidget *container, const QList<QCheckBox *> &options,
    QWidget *after, QWidget *before)
{
    if (!runner || !runner->install(container, options))
        return false;
    const QList<QWidget *> widgets = container->findChildren<QWidget *>();
    if (widgets.isEmpty())
        return true;
    QWidget *previous = after;
    for (QWidget *widget : widgets) {
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    QWidget::setTabOrder(previous, before);
    return true;
}
