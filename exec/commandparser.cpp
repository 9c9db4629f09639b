// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandparser.h"

#include "core/commandwords.h"
#include "core/findcommandexecutable.h"
#include "desktop/applicationentry.h"
#include "desktop/themeicon.h"
#include "exec/calculator.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUrl>

CommandParser::CommandParser(const QString &text)
{
    if (!text.isEmpty())
        parse(text);
}

CommandParser::~CommandParser() = default;

// @p word with a leading "~" read as the launch reads it, otherwise as typed.
static QString withLeadingHome(const QString &word)
{
    const CommandWord typed = splitCommandWords(word).value(0);
    return typed.tildePrefixLength > 0 ? withHomeExpanded(typed) : word;
}

void CommandParser::parse(const QString &text)
{
    typedText = text.simplified();
    command = typedText;
    const QString typedWord = command.section(QLatin1Char(' '), 0, 0);
    const QString word = withLeadingHome(typedWord);
    // A document's icon is looked up by its path.
    command.replace(0, typedWord.size(), word);
    executablePath = findCommandExecutable(word);
    desktopEntryIsCurrent = false;
    chosenEntry.clear();
    entryArguments = typedText.section(QLatin1Char(' '), 1, -1);
    commandType = classify(word);
}

void CommandParser::parseChosen(const QString &text, const QString &entryId)
{
    parse(text);
    if (entryId.isEmpty())
        return;
    loadDesktopEntry(entryId);
    if (!desktopEntryIsCurrent) {
        // The entry has gone since it was chosen: the text is what it is.
        parse(text);
        chosenEntry = entryId;
        return;
    }
    chosenEntry = entryId;
    commandType = CommandType::DesktopEntry;
    executablePath.clear();
    const QString name = desktopEntry->name;
    entryArguments =
        typedText.startsWith(name + QLatin1Char(' ')) ? typedText.mid(name.size() + 1) : QString();
}

CommandType CommandParser::type() const
{
    return commandType;
}

QString CommandParser::executableName() const
{
    return executablePath.isEmpty() ? QString() : QFileInfo(executablePath).fileName();
}

const ApplicationEntry *CommandParser::currentEntry() const
{
    return desktopEntryIsCurrent ? &*desktopEntry : nullptr;
}

QString CommandParser::desktopExec() const
{
    const ApplicationEntry *entry = currentEntry();
    return entry ? entry->exec : QString();
}

bool CommandParser::isTerminalEntry() const
{
    const ApplicationEntry *entry = currentEntry();
    return entry && entry->terminal;
}

QString CommandParser::desktopEntryPath() const
{
    const ApplicationEntry *entry = currentEntry();
    return entry ? entry->filePath : QString();
}

QString CommandParser::desktopName() const
{
    const ApplicationEntry *entry = currentEntry();
    return entry ? entry->name : QString();
}

QString CommandParser::desktopIcon() const
{
    const ApplicationEntry *entry = currentEntry();
    return entry ? entry->icon : QString();
}

void CommandParser::setApplicationsDirectory(const QString &directory)
{
    applicationsDirectory = directory;
}

void CommandParser::loadDesktopEntry(const QString &name)
{
    const QString path = applicationsDirectory.isEmpty()
        ? ApplicationEntry::locate(name)
        : applicationsDirectory + QLatin1Char('/') + name + QStringLiteral(".desktop");
    desktopEntryIsCurrent = false;
    if (path.isEmpty())
        return;
    if (!desktopEntry || desktopEntry->filePath != path)
        desktopEntry = ApplicationEntry::read(path, name + QStringLiteral(".desktop"));
    // A hidden entry is one the user deleted: it shadows the others but is not there.
    desktopEntryIsCurrent = desktopEntry->canRun;
}

QString CommandParser::addressOf(const QString &word)
{
    // A scheme is a letter, then letters, digits, "+", "-" or ".", and a colon,
    // so a host name followed by its port reads as one: the port tells them apart.
    static const QRegularExpression hostAndPort(QStringLiteral(
        "^(?:localhost|[A-Za-z0-9-]+(?:\\.[A-Za-z0-9-]+)+):([0-9]{1,5})(?:[/?#].*)?$"));
    const QRegularExpressionMatch withPort = hostAndPort.match(word);
    if (withPort.hasMatch()) {
        return (withPort.captured(1) == QLatin1String("443") ? QStringLiteral("https://")
                                                             : QStringLiteral("http://"))
            + word;
    }
    const QString scheme = QUrl(word, QUrl::TolerantMode).scheme();
    if (!scheme.isEmpty() && scheme != QLatin1String("file"))
        return word;
    if (word.startsWith(QLatin1String("www.")))
        return QStringLiteral("https://") + word;
    return QString();
}

CommandType CommandParser::classify(QString word)
{
    // A program of that name is what the user means, even with a colon in it.
    const bool onSearchPath = !executablePath.isEmpty() && !word.contains(QLatin1Char('/'));
    if (!onSearchPath && !addressOf(word).isEmpty())
        return CommandType::Network;
    const QUrl url(word, QUrl::TolerantMode);
    const bool searched = url.scheme() != QLatin1String("file");
    if (!searched)
        word = url.toLocalFile();

    if (!word.contains(QLatin1Char('/'))) {
        // parse() has looked through the search path for the word as typed.
        const QString found = searched ? executablePath : findCommandExecutable(word);
        if (found.isEmpty()) {
            loadDesktopEntry(word);
            return desktopExec().isEmpty() ? CommandType::Unknown : CommandType::DesktopEntry;
        }
        word = found;
    }

    const QFileInfo info(word);
    if (!info.exists())
        return CommandType::Unknown;
    if (info.isDir())
        return CommandType::Folder;
    if (info.isExecutable()) {
        loadDesktopEntry(executableName());
        return CommandType::Executable;
    }
    return CommandType::File;
}

QIcon CommandParser::icon() const
{
    return firstThemeIcon(iconNames());
}

QStringList CommandParser::iconNames() const
{
    // The names after the first are freedesktop names that the common themes have.
    const QStringList programFallback = { QStringLiteral("system-run"),
        QStringLiteral("application-x-executable") };
    switch (commandType) {
    case CommandType::File: {
        const QMimeType type =
            QMimeDatabase().mimeTypeForFile(command.section(QLatin1Char(' '), 0, 0));
        return { type.iconName(), type.genericIconName(), QStringLiteral("unknown"),
            QStringLiteral("text-x-generic") };
    }
    case CommandType::Folder:
        return { QStringLiteral("folder") };
    case CommandType::Executable:
        return QStringList { desktopIcon(), executableName() } + programFallback;
    case CommandType::Network:
        return { QStringLiteral("network"), QStringLiteral("applications-internet"),
            QStringLiteral("network-workgroup") };
    case CommandType::DesktopEntry:
        return QStringList { desktopIcon() } + programFallback;
    default:
        if (isArithmeticExpression(command))
            return { QStringLiteral("unknown"), QStringLiteral("accessories-calculator") };
        return { QStringLiteral("unknown"), QStringLiteral("dialog-question"),
            QStringLiteral("text-x-generic") };
    }
}

CommandClassification CommandParser::classification() const
{
    CommandClassification result;
    result.text = typedText;
    result.type = commandType;
    result.executablePath = executablePath;
    result.executableName = executableName();
    result.entryPath = desktopEntryPath();
    result.entryExec = desktopExec();
    result.entryName = desktopName();
    result.entryIcon = desktopIcon();
    result.entryWantsTerminal = isTerminalEntry();
    result.chosenEntry = chosenEntry;
    result.entryArguments = entryArguments;
    if (const ApplicationEntry *entry = currentEntry()) {
        result.entryWorkingDirectory = entry->workingDirectory;
        result.entryNotifiesStartup = entry->startupNotify;
    }
    result.iconNames = iconNames();
    return result;
}
