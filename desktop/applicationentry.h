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
    /** The id without ".desktop", by which the application is known: "org.example.Editor". */
    QString baseId() const;
    QString name;
    QString genericName;
    QString comment;
    QStringList keywords;
    /** Name, GenericName and Keywords as written without a language, for matching. */
    QStringList untranslatedTerms;
    /** An icon name of the theme or an absolute path; empty without one. */
    QString icon;
    /** The Exec value as written in the entry, field codes and quoting included. */
    QString exec;
    /** The Categories of the entry, in their order; empty without them. */
    QStringList categories;
    /** The desktop file the entry was read from. */
    QString filePath;
    /** The Path value: the folder the application starts in; empty for the caller's. */
    QString workingDirectory;
    /** Terminal=true: the application runs in a terminal window. Only "true" is true. */
    bool terminal = false;
    /** StartupNotify=true: the application ends a startup notice when its window shows. */
    bool startupNotify = false;
    /**
     * Whether the entry can be started: of type Application (or of no type), not
     * Hidden (an entry the user deleted), with an Exec value and, when it names
     * one, its TryExec program installed.
     */
    bool canRun = false;
    /**
     * Whether the desktop's menus list it: it can run, is of type Application,
     * not NoDisplay, and shown on the desktop the user is on (shownOn()).
     */
    bool shown = false;

    /**
     * Whether every blank-separated word of @p filter occurs, ignoring case,
     * in the name, generic name, comment or keywords. An empty filter matches.
     */
    bool matches(const QString &filter) const;

    /** The icon: the file named, or the theme's, else the theme's executable icon. */
    QIcon themedIcon() const;

    /**
     * Reads the desktop entry file @p path, whose desktop-file id is @p id.
     * Whether it is shown is judged for the desktops named in
     * $XDG_CURRENT_DESKTOP.
     *
     * @return the entry; canRun is false for a file that is missing or no
     *         application, and name falls back to @p id
     */
    static ApplicationEntry read(const QString &path, const QString &id = QString());

    /**
     * Whether an entry with these OnlyShowIn and NotShowIn lists is shown on
     * @p desktops, the names of $XDG_CURRENT_DESKTOP in their order: the
     * first of them that either list names decides; none named, it is shown
     * unless it has an OnlyShowIn list. Names compare case-sensitively, so
     * without any desktop an entry with OnlyShowIn is not shown.
     */
    static bool shownOn(
        const QStringList &desktops, const QStringList &onlyShowIn, const QStringList &notShowIn);
    /** The names of $XDG_CURRENT_DESKTOP, a colon-separated list; empty when unset. */
    static QStringList currentDesktops();

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
     * subfolders that are shown (see shown). When several files share a
     * desktop-file id, the one in the folder of higher precedence wins, even
     * when it is not shown. Unreadable folders and files are skipped.
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
