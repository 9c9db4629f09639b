// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DIALOGSETTINGS_H
#define DIALOGSETTINGS_H

#include <QCompleter>
#include <QHash>
#include <QStringList>

class QSettings;

class QSettings;

/**
 * The dialog's stored settings as they were read at one moment. Reading
 * them touches no widget, so it may run on any thread: the dialog reads them
 * while it builds its form.
 */
struct DialogSettings
{
    /** "su": whether su rather than sudo changes the user; true when absent. */
    bool useSu = true;
    /** "history", most recent first; empty when absent. */
    QStringList history;
    /** "historyApplications": the history's texts that stand for an application, each
     *  with its desktop-file id; empty when absent. */
    QHash<QString, QString> historyApplications;
    /** "terminalApps"; the list ("ls") when absent. */
    QStringList terminalApps;
    /** "completionMode"; popup completion when absent or damaged. */
    QCompleter::CompletionMode completionMode = QCompleter::PopupCompletion;

    /**
     * Whether history holds the whole stored history; false when it holds
     * only the most recent entry of a long one (readForFirstFrame()).
     */
    bool historyComplete = true;

    /** Reads the user's settings file through SettingsStore. */
    static DialogSettings read();
    /**
     * What a window's first frame shows of the settings: as read(), but a
     * long history is cut to its most recent entry, so that it is read as
     * quickly as a short one. Parsing the whole file takes about as long as
     * the rest of a start at 100 000 entries.
     */
    static DialogSettings readForFirstFrame();

    /** Writes all of these settings into @p settings, as read() reads them back. */
    void write(QSettings &settings) const;

    /**
     * Writes @p history and which of its texts stand for an application
     * (@p applications, text to desktop-file id) into @p settings, as read()
     * reads them back.
     */
    static void writeHistory(QSettings &settings, const QStringList &history,
        const QHash<QString, QString> &applications);

private:
    static DialogSettings readFrom(const QSettings &settings);
};

#endif
