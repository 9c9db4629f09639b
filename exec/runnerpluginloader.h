// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RUNNERPLUGINLOADER_H
#define RUNNERPLUGINLOADER_H

#include <QList>
#include <QString>

class IOrvanRunner;
class QCheckBox;
class QWidget;

/**
 * Loads the first runner plug-in found among the "*.so" files of
 * @p directory, in the order the directory lists them. Libraries that do not
 * load or do not offer IOrvanRunner are skipped silently.
 *
 * @return the runner, which stays loaded until the process ends and must not
 *         be deleted, or nullptr when the directory is missing or holds none
 */
IOrvanRunner *loadFirstRunner(const QString &directory);

/**
 * Hands @p container and the option check boxes to @p runner, if there is
 * one. When the runner accepts them, the focusable widgets it put into
 * @p container follow @p after in the tab order, and @p before follows the
 * last of them.
 *
 * @return the result of IOrvanRunner::install(): whether the runner is in
 *         use; false without a runner
 */
bool installRunner(IOrvanRunner *runner, QWidget *container, const QList<QCheckBox *> &options,
    QWidget *after, QWidget *before);

#endif
