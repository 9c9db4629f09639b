// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RESIDENTDIALOG_H
#define RESIDENTDIALOG_H

#include "mappeddrawingexposures.h"
#include "sourceswatch.h"

#include <QObject>
#include <QString>

#include <memory>

class QtSingleApplication;
class Roderuz;

/**
 * kav-run in the background: keeps a run dialog built but hidden, and shows
 * it when a later start hands over its command line, preset exactly as that
 * start would have preset a dialog of its own. A dialog is used once: after
 * Run, Cancel or Escape it goes with everything typed into it, and the next
 * one is built from the settings as they are then. A dialog whose settings
 * or installed applications changed while it waited is built anew before it
 * shows; they are looked at only when the system reported a change to their
 * folders, or cannot report every change.
 */
class ResidentDialog : public QObject
{
    Q_OBJECT

public:
    /**
     * Answers @p app's messages from now on; the application keeps running
     * without a window. @p xDisplay names the X display that the dialogs
     * show on; it is empty elsewhere.
     */
    ResidentDialog(QtSingleApplication &app, const std::string &xDisplay);

    /**
     * Makes the resident's freed memory keep nothing of what it held: the
     * C library's per-thread cache of small blocks, which the filling of
     * freed memory passes by, can only be switched off when a program starts,
     * so the first call starts this program again, @p argv, with it off;
     * the second call restores the environment that programs started
     * from the resident get. Call it first thing.
     */
    static void startWithoutSmallBlockCache(char *argv[]);
    ~ResidentDialog() override;
    Q_DISABLE_COPY(ResidentDialog)

private:
    /** The answer to a later start's @p message (see HandOver). */
    QByteArray answer(const QString &message);
    /** Builds a new dialog from the settings and applications that @p sources identifies
     *  (sourcesStamp()); as they are now when it is null (currentSourcesStamp()). */
    void prepareDialog(QByteArray sources = QByteArray());
    /** Draws the dialog just shown at once, rather than when the window system reports it shown. */
    void drawWithTheMap();
    void dialogFinished();
    /**
     * Identifies what a dialog is built from as it is now: the settings
     * file's contents and the installed applications.
     */
    static QByteArray sourcesStamp(const QString &settingsFile);
    /**
     * sourcesStamp() taken off the GUI thread, waited for briefly.
     * @return the stamp; null when it took too long
     */
    QByteArray currentSourcesStamp() const;

    QtSingleApplication &m_app;
    std::unique_ptr<Roderuz> m_dialog;
    const QString m_settingsFile;
    QByteArray m_dialogSourcesStamp;
    /** Whether the stamp can have changed since the dialog was built; looking costs far less. */
    SourcesWatch m_sourcesWatch;
    const QString m_startDirectory;
    /** On X only. */
    std::unique_ptr<MappedDrawingExposures> m_mappedDrawingExposures;
};

#endif
