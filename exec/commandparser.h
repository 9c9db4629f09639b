// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDPARSER_H
#define COMMANDPARSER_H

#include "desktop/applicationentry.h"
#include "exec/commandclassification.h"

#include <QIcon>
#include <QString>

#include <optional>

/**
 * Classifies the text of the command field: an address, a document, a folder,
 * an executable on the search path, an application known by its desktop entry,
 * or nothing known.
 *
 * The desktop entry queries answer for the text parsed last only: an entry
 * loaded for an earlier text is kept for reuse but not reported.
 */
class CommandParser
{
public:
    /** A parser for @p text; an empty text leaves it Unknown without parsing. */
    explicit CommandParser(const QString &text = QString());
    ~CommandParser();
    Q_DISABLE_COPY(CommandParser)

    /**
     * Classifies the simplified @p text by its first word, in which a leading
     * "~" or "~name" names a home folder as in the shell; the queries below
     * then answer for it.
     */
    void parse(const QString &text);
    /**
     * Classifies @p text as the application of the desktop entry @p entryId
     * (without ".desktop"), chosen in a list: the text shows the entry's Name,
     * and what follows it after a blank are the entry's arguments. When the
     * entry cannot run, or @p entryId is empty, as parse() does.
     */
    void parseChosen(const QString &text, const QString &entryId);

    /** The CommandType of the text parsed last. */
    CommandType type() const;
    /** The file name of the program found on the search path, or an empty string. */
    QString executableName() const;
    /** The Exec value of the text's desktop entry as written; empty without one. */
    QString desktopExec() const;
    /** Whether the text's desktop entry asks for a terminal; false without one. */
    bool isTerminalEntry() const;
    /** The path of the text's desktop entry file; empty without one. */
    QString desktopEntryPath() const;
    /** The translated Name of the text's desktop entry; empty without one. */
    QString desktopName() const;
    /** The Icon value of the text's desktop entry; empty without one. */
    QString desktopIcon() const;
    /**
     * The icon for the text parsed last, by its CommandType, falling back to
     * names the common themes have where the theme lacks the first choice: an
     * address "network", then "applications-internet"; an unknown text
     * "unknown", then "dialog-question", an arithmetic expression
     * "accessories-calculator"; a program "system-run", then
     * "application-x-executable"; a document "text-x-generic".
     * A null icon only when the theme has none of them.
     */
    QIcon icon() const;
    /** The theme names icon() tries, best first; reads no file but a document's. */
    QStringList iconNames() const;

    /**
     * The address that opens @p word, the first word of a text, as a browser
     * reads it: the word itself when it begins with a URL scheme, "https://"
     * before a name beginning with "www.", and "http://" before a host and port
     * such as "localhost:8080" or "www.example.org:8080/x" ("https://" for the
     * port 443). Empty when @p word is no address: a "file:" URL, or no URL.
     */
    static QString addressOf(const QString &word);

    /** What the text parsed last was found to be, as a value. */
    CommandClassification classification() const;

    /**
     * Reads desktop entries from @p directory only, instead of the XDG
     * applications folders (ApplicationEntry::locate()); tests point it elsewhere.
     */
    void setApplicationsDirectory(const QString &directory);

private:
    void loadDesktopEntry(const QString &name);
    CommandType classify(QString word);
    const ApplicationEntry *currentEntry() const;

    QString typedText;
    // typedText with a leading "~" of its first word expanded.
    QString command;
    CommandType commandType = CommandType::Unknown;
    QString executablePath;
    // The entry chosen in a list that the text stands for; empty for a typed text.
    QString chosenEntry;
    // The words for the entry's field codes.
    QString entryArguments;
    std::optional<ApplicationEntry> desktopEntry;
    // Whether desktopEntry was loaded or confirmed by the text parsed last, and can run.
    bool desktopEntryIsCurrent = false;
    // Empty: the XDG applications folders.
    QString applicationsDirectory;
};

#endif
