// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktopexec.h"

#include <QProcess>
#include <QStringList>

#include <algorithm>

// Splits an Exec value into its words: blanks separate, double quotes group,
// and inside them a backslash makes the next character literal.
static QStringList execWords(const QString &exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word += exec.at(++i);
            else
                word += c;
        } else if (c.isSpace()) {
            if (inWord)
                words += word;
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == QLatin1Char('"'))
                quoted = true;
            else
                word += c;
        }
    }
    if (inWord)
        words += word;
    return words;
}

static bool isFileCode(QChar code)
{
    return QStringLiteral("fFuU").contains(code);
}

// The arguments one Exec word stands for. A word that is a single field code
// may become several arguments or none; codes inside a word expand in place.
static QStringList expandWord(
    const QString &word, const QStringList &arguments, const DesktopEntryFields &fields)
{
    const QStringList iconArguments = fields.icon.isEmpty()
        ? QStringList()
        : QStringList { QStringLiteral("--icon"), fields.icon };
    if (word.size() == 2 && word.at(0) == QLatin1Char('%')) {
        if (isFileCode(word.at(1)))
            return arguments;
        if (word.at(1) == QLatin1Char('i'))
            return iconArguments;
    }

    QString expanded;
    for (int i = 0; i < word.size(); ++i) {
        if (word.at(i) != QLatin1Char('%') || i + 1 == word.size()) {
            expanded += word.at(i);
            continue;
        }
        const QChar code = word.at(++i);
        if (isFileCode(code))
            expanded += arguments.join(QLatin1Char(' '));
        else if (code == QLatin1Char('i'))
            expanded += iconArguments.join(QLatin1Char(' '));
        else if (code == QLatin1Char('c'))
            expanded += fields.name;
        else if (code == QLatin1Char('k'))
            expanded += fields.filePath;
        else if (code == QLatin1Char('%'))
            expanded += QLatin1Char('%');
        // Deprecated and unknown codes vanish.
    }
    if (expanded.isEmpty() && !word.isEmpty())
        return QStringList();
    return QStringList { expanded };
}

// One argument written so that QProcess's splitting gives it back: grouped in
// double quotes, where three double quotes stand for one.
static QString quotedForSplitting(const QString &argument)
{
    const bool plain = !argument.isEmpty() && !argument.contains(QLatin1Char('"'))
        && std::none_of(argument.cbegin(), argument.cend(), [](QChar c) { return c.isSpace(); });
    if (plain)
        return argument;
    QString quoted = argument;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString expandDesktopExec(
    const QString &exec, const QString &arguments, const DesktopEntryFields &fields)
{
    const QStringList typed = QProcess::splitCommand(arguments);
    QStringList line;
    for (const QString &word : execWords(exec)) {
        for (const QString &argument : expandWord(word, typed, fields))
            line += quotedForSplitting(argument);
    }
    return line.join(QLatin1Char(' '));
}
