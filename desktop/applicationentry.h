// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef APPLICATIONENTRY_H
#define APPLICATIONENTRY_H

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

/** One application of the desktop's menu, as its desktop entry describes it. */
struct ApplicationEntry
{
    /** The desktop-file id, for example "org.example.Editor.desktop". */
    QString id;
    QString name;
    QString genericName;
    QString comment;
    QStringList keywords;
    /** Name, GenericName and Keywords as written without a language, for matching. */
    QStringList untranslatedTerms;
    /** An icon name of the theme or an absolute path; empty without one. */
    QString icon;
    /** The Exec value as written in the entry, field codes included. */
    QString exec;
    /** The Categories of the entry, in their order; empty without them. */
    QStringList categories;

    /**
     * Whether every blank-separated word of @p filter occurs, ignoring case,
     * in the name, generic name, comment or keywords. An empty filter matches.
     */
    bool matches(const QString &filter) const;

    /** The icon: the file named, or the theme's, else the theme's executable icon. */
    QIcon themedIcon() const;

    /**
     * The command line to start the application without files or addresses:
     * the Exec value with its field codes left out ("%%" becomes "%").
     */
    QString commandLine() const;

    /**
     * The folders of desktop entries, those of higher precedence first: the
     * "applications" folder of $XDG_DATA_HOME, then that of each folder of
     * $XDG_DATA_DIRS, then "/usr/share/applications", which holds the
     * system's entries even when $XDG_DATA_DIRS leaves it out.
     *
     * @return the folders, whether they exist or not; never empty
     */
    static QStringList folders();

    /**
     * The applications of the desktop entries in folders() and their
     * subfolders. When several files share a desktop-file id, the one in the
     * folder of higher precedence wins. Entries that are hidden, not to be
     * displayed, not of type Application, without Exec, shown only in other
     * desktops or not in this one (OnlyShowIn, NotShowIn against
     * $XDG_CURRENT_DESKTOP), or whose TryExec program is missing are left
     * out. Unreadable folders and files are skipped.
     *
     * @return the entries in no particular order; empty when there are none
     */
    static QList<ApplicationEntry> installed();
    /**
     * Identifies the desktop entry files that installed() reads as they are
     * now, from their names, sizes and times of change: it changes when an
     * entry is added, changed or removed. Reads no file, so it is quick.
     *
     * @return the stamp; the same bytes as long as nothing changed
     */
    static QByteArray installedStamp();

    /**
     * The file of the desktop entry whose desktop-file id is @p id followed
     * by ".desktop", from the first of folders() that has one. A dash in the
     * id may stand for a subfolder: "kde4-editor" is also kde4/editor.desktop.
     *
     * @return the path, or an empty string when no folder has the entry or
     *         @p id is empty or holds a "/"
     */
    static QString locate(const QString &id);
};

#endif
