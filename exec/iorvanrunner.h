// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef IORVANRUNNER_H
#define IORVANRUNNER_H

#include <QList>
#include <QString>
#include <QtPlugin>

class QCheckBox;
class QWidget;

/**
 * The interface of a kav-run runner plug-in.
 *
 * A runner is a Qt plug-in (a shared library ending in ".so" in kav-run's
 * plug-in folder) whose root object derives from QObject and this interface:
 *
 * @code
 * class MyRunner : public QObject, public IOrvanRunner
 * {
 *     Q_OBJECT
 *     Q_PLUGIN_METADATA(IID IOrvanRunner_iid)
 *     Q_INTERFACES(IOrvanRunner)
 *     ...
 * };
 * @endcode
 *
 * kav-run uses the first library of its plug-in folder that offers the
 * interface, keeps it loaded until it exits and never deletes the object.
 * A runner can add controls to the dialog's advanced options and rewrite
 * the command line of commands started as the current user; commands
 * started as another user never pass through it.
 */
class IOrvanRunner
{
public:
    virtual ~IOrvanRunner() = default;

    /**
     * Called while a dialog is being built: once per kav-run process, or,
     * with "kav-run --resident", once for each use of the dialog, each time
     * with a new container and new check boxes. Keep nothing of an earlier
     * call.
     *
     * @param container an empty widget in the advanced options; the runner
     *        may give it a layout and child widgets. Focusable children are
     *        put in the tab order after the last option, before Run.
     * @param options the dialog's option check boxes, in this order: run in
     *        terminal, run as a different user, run with a different
     *        priority, run with realtime scheduling. The runner may connect
     *        to them but does not own them.
     * @return true when the runner is in use; false leaves the tab order
     *         alone (isActive() is still asked at every launch)
     */
    virtual bool install(QWidget *container, const QList<QCheckBox *> &options) = 0;

    /**
     * Asked before every command started as the current user.
     *
     * @return true when wrapCommand() is to rewrite the command line
     */
    virtual bool isActive() = 0;

    /**
     * @param command the command line about to be started, already
     *        expanded for desktop entries, before any nice or terminal prefix
     * @return the command line to start instead
     */
    virtual QString wrapCommand(const QString &command) = 0;
};

// The version changes whenever the functions above do: a plug-in built against
// another version is not loaded, where calling it would crash the dialog.
#define IOrvanRunner_iid "org.kav.kav-run.IOrvanRunner/1.0"
Q_DECLARE_INTERFACE(IOrvanRunner, IOrvanRunner_iid)

#endif
