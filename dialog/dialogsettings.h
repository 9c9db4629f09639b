// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DIALOGSETTINGS_H
#define DIALOGSETTINGS_H

#include <QCompleter>
#include <QHash>
#include <QStringList>

/**
 * The dialog's stored settings as they were read at one moment. Reading
 * them touches no widget, so it may run on any thread: the dialog parses a
 * long history while it builds its form.
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

    /** Reads the user's settings file through SettingsStore. */
    static DialogSettings read();
};

#endif
