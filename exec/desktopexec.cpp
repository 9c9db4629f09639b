// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktopexec.h"

#include <QStringList>

// Splits an Exec value into its words as the shell would: blanks separate,
// single quotes take everything up to the next one literally, double quotes
// group, inside them a backslash escapes only $, `, " and itself, and outside
// any quotes a backslash makes the next character literal. A pair of quotes
// with nothing between them is an empty word.
static QStringList execWords(const QString &exec)
{
    QStringList words;
    QString word;
    bool inWord = false;
    enum { Plain, InSingle, InDouble } quoting = Plain;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        const bool hasNext = i + 1 < exec.size();
        if (quoting == InSingle) {
            if (c == QLatin1Char('\''))
                quoting = Plain;
            else
                word += c;
        } else if (quoting == InDouble) {
            if (c == QLatin1Char('"'))
                quoting = Plain;
            else if (c == QLatin1Char('\\') && hasNext
                && QStringLiteral("$`\"\\").contains(exec.at(i + 1)))
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
                quoting = InDouble;
            else if (c == QLatin1Char('\''))
                quoting = InSingle;
            else if (c == QLatin1Char('\\') && hasNext)
                word += exec.at(++i);
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

static QVector<CommandWord> literalWords(const QStringList &texts)
{
    QVector<CommandWord> words;
    for (const QString &text : texts)
        words += CommandWord { text };
    return words;
}

// The words one Exec word stands for. A word that is a single field code may
// become several words or none; codes inside a word expand in place, where a
// typed "~" is no longer at the start of a word and is expanded here.
// @p tookArguments is set when a file or URL code received the typed words.
static QVector<CommandWord> expandWord(const QString &word, const QVector<CommandWord> &typed,
    const DesktopEntryFields &fields, bool *tookArguments)
{
    const QStringList iconArguments = fields.icon.isEmpty()
        ? QStringList()
        : QStringList { QStringLiteral("--icon"), fields.icon };
    if (word.size() == 2 && word.at(0) == QLatin1Char('%')) {
        if (isFileCode(word.at(1))) {
            *tookArguments = true;
            return typed;
        }
        if (word.at(1) == QLatin1Char('i'))
            return literalWords(iconArguments);
    }

    QString expanded;
    for (int i = 0; i < word.size(); ++i) {
        if (word.at(i) != QLatin1Char('%') || i + 1 == word.size()) {
            expanded += word.at(i);
            continue;
        }
        const QChar code = word.at(++i);
        if (isFileCode(code)) {
            *tookArguments = true;
            QStringList texts;
            for (const CommandWord &argument : typed)
                texts += withHomeExpanded(argument);
            expanded += texts.join(QLatin1Char(' '));
        } else if (code == QLatin1Char('i')) {
            expanded += iconArguments.join(QLatin1Char(' '));
        } else if (code == QLatin1Char('c')) {
            expanded += fields.name;
        } else if (code == QLatin1Char('k')) {
            expanded += fields.filePath;
        } else if (code == QLatin1Char('%')) {
            expanded += QLatin1Char('%');
        }
        // Deprecated and unknown codes vanish.
    }
    if (expanded.isEmpty() && !word.isEmpty())
        return {};
    return { CommandWord { expanded } };
}

// Whether @p exec takes one file or address per start ("%f", "%u") rather than
// all of them at once ("%F", "%U", which win where an entry has both).
static bool takesOneFilePerStart(const QStringList &execWords)
{
    bool single = false;
    for (const QString &word : execWords) {
        for (int i = 0; i + 1 < word.size(); ++i) {
            if (word.at(i) != QLatin1Char('%'))
                continue;
            const QChar code = word.at(++i);
            if (code == QLatin1Char('F') || code == QLatin1Char('U'))
                return false;
            single = single || code == QLatin1Char('f') || code == QLatin1Char('u');
        }
    }
    return single;
}

static QString expandedLine(const QStringList &execWords, const QVector<CommandWord> &typed,
    const DesktopEntryFields &fields, LineConsumer consumer)
{
    QVector<CommandWord> words;
    bool tookArguments = false;
    for (const QString &word : execWords)
        words += expandWord(word, typed, fields, &tookArguments);
    // Without a place for them, what the user typed follows the Exec value.
    if (!tookArguments)
        words += typed;

    QStringList line;
    for (const CommandWord &word : qAsConst(words))
        line += quotedWord(word, consumer);
    return line.join(QLatin1Char(' '));
}

QStringList expandDesktopExec(const QString &exec, const QString &arguments,
    const DesktopEntryFields &fields, LineConsumer consumer)
{
    const QVector<CommandWord> typed = splitCommandWords(arguments);
    const QStringList words = execWords(exec);
    if (typed.size() < 2 || !takesOneFilePerStart(words))
        return { expandedLine(words, typed, fields, consumer) };
    QStringList lines;
    for (const CommandWord &file : typed)
        lines += expandedLine(words, { file }, fields, consumer);
    return lines;
}
