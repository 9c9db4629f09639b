// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDPARSER_H
#define COMMANDPARSER_H

#include <QIcon>
#include <QString>

#include <memory>

class KDesktopFile;

/** What a typed text denotes; the numbers are stable. */
enum CommandType {
    Unknown = 0,
    File = 1,
    Folder = 2,
    Executable = 3,
    Network = 4,
    DesktopEntry = 5,
};

/**
 * Classifies the text of the command field: an address, a document, a folder,
 * an executable on the search path, an application known by its desktop entry,
 * or nothing known.
 */
class CommandParser
{
public:
    explicit CommandParser(const QString &text = QString());
    ~CommandParser();
    Q_DISABLE_COPY(CommandParser)

    /** Classifies the simplified @p text; the queries below then answer for it. */
    void parse(const QString &text);

    /** The CommandType of the text parsed last. */
    int type() const;
    /** The file name of the program found on the search path, or an empty string. */
    QString executableName() const;
    /** The Exec value of the text's desktop entry, simplified; empty without one. */
    QString desktopExec() const;
    /** Whether the text's desktop entry asks for a terminal; false without one. */
    bool isTerminalEntry() const;
    /** The icon for the text parsed last. */
    QIcon icon() const;

    /** The folder desktop entries are read from; tests point it elsewhere. */
    void setApplicationsDirectory(const QString &directory);

private:
    void loadDesktopEntry(const QString &path);
    int classify(const QString &command);

    QString command;
    int commandType = Unknown;
    QString executablePath;
    std::unique_ptr<KDesktopFile> desktopEntry;
    QString applicationsDirectory;
};

#endif
