// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandwords.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <pwd.h>
#include <unistd.h>

QVector<CommandWord> splitCommandWords(const QString &text)
{
    QVector<CommandWord> words;
    CommandWord word;
    // A quote anywhere in a tilde prefix keeps it from naming a home, as in the shell.
    enum { WordStart, InTildePrefix, Other } position = WordStart;
    int quotes = 0;
    bool quoted = false;
    // A pair of quotes alone is an empty word, as in the shell.
    bool hadQuotes = false;
    const auto endWord = [&] {
        if (position == InTildePrefix)
            word.tildePrefixLength = word.text.size();
        if (!word.text.isEmpty() || hadQuotes)
            words += word;
        word = CommandWord();
        position = WordStart;
        hadQuotes = false;
    };
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) {
            hadQuotes = true;
            if (++quotes == 3) {
                quotes = 0;
                word.text += c;
            }
            if (position == InTildePrefix || position == WordStart)
                position = Other;
            continue;
        }
        if (quotes == 1)
            quoted = !quoted;
        quotes = 0;
        if (!quoted && c.isSpace()) {
            endWord();
            continue;
        }
        if (position == WordStart) {
            position = c == QLatin1Char('~') && !quoted ? InTildePrefix : Other;
        } else if (position == InTildePrefix && c == QLatin1Char('/')) {
            word.tildePrefixLength = word.text.size();
            position = Other;
        }
        word.text += c;
    }
    endWord();
    return words;
}

// The home folder of @p userName as the shell finds it: HOME for an empty
// name, else the password database, which KUser would not ask for the
// current user; empty when there is no such user.
static QString homeFolder(const QString &userName)
{
    const QString home = qEnvironmentVariable("HOME");
    if (userName.isEmpty() && !home.isEmpty())
        return home;
    const passwd *entry =
        userName.isEmpty() ? getpwuid(getuid()) : getpwnam(QFile::encodeName(userName).constData());
    return entry ? QFile::decodeName(entry->pw_dir) : QString();
}

QString withHomeExpanded(const CommandWord &word)
{
    if (word.tildePrefixLength == 0)
        return word.text;
    const QString home = homeFolder(word.text.mid(1, word.tildePrefixLength - 1));
    if (home.isEmpty())
        return word.text;
    return home + word.text.mid(word.tildePrefixLength);
}

QString shellQuoted(QString text)
{
    text.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

static bool isAsciiAlphanumeric(QChar c)
{
    return c.unicode() < 128 && c.isLetterOrNumber();
}

// A word the shell reads as it is: no quoting, expansion or special meaning.
static bool isPlainForShell(const QString &text)
{
    static const QString punctuation = QStringLiteral("_-.,/:@%+");
    return !text.isEmpty() && std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return isAsciiAlphanumeric(c) || punctuation.contains(c);
    });
}

// A user name that the shell takes unquoted after "~"; a leading "-" or "+"
// would name a working folder instead.
static bool isPlainUserName(const QString &name)
{
    return !name.startsWith(QLatin1Char('-'))
        && std::all_of(name.cbegin(), name.cend(),
            [](QChar c) { return isAsciiAlphanumeric(c) || QStringLiteral("_-.").contains(c); });
}

static QString quotedForShell(const QString &text)
{
    return isPlainForShell(text) ? text : shellQuoted(text);
}

static QString quotedForSplitting(const QString &text)
{
    const bool plain = !text.isEmpty() && !text.contains(QLatin1Char('"'))
        && std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
    if (plain)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString quotedWord(const CommandWord &word, LineConsumer consumer)
{
    if (consumer == LineConsumer::DetachedStart)
        return quotedForSplitting(withHomeExpanded(word));
    const QString prefix = word.text.left(word.tildePrefixLength);
    if (prefix.isEmpty() || !isPlainUserName(prefix.mid(1)))
        return quotedForShell(withHomeExpanded(word));
    // The slash after the prefix must stay unquoted, or the shell keeps the "~".
    const QString path = word.text.mid(prefix.size() + 1);
    const QString slash = word.text.mid(prefix.size(), 1);
    return prefix + slash + (path.isEmpty() ? QString() : quotedForShell(path));
}

QString typedCommandLine(const QString &text, LineConsumer consumer)
{
    const QVector<CommandWord> words = splitCommandWords(text);
    const bool namesAHome = std::any_of(words.cbegin(), words.cend(),
        [](const CommandWord &word) { return word.tildePrefixLength > 0; });
    if (consumer == LineConsumer::DetachedStart && !namesAHome)
        return text;
    QStringList line;
    for (const CommandWord &word : words)
        line += quotedWord(word, consumer);
    return line.join(QLatin1Char(' '));
}
