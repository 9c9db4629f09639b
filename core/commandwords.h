// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef COMMANDWORDS_H
#define COMMANDWORDS_H

#include <QString>
#include <QVector>

/** Who reads a command line that the dialog builds. */
enum class LineConsumer {
    /** QProcess's single-string splitting: blanks separate, double quotes group. */
    DetachedStart,
    /** "/bin/sh -c". */
    Shell,
};

/** One word of a typed command. */
struct CommandWord
{
    /** The word as the program receives it, its double quotes resolved. */
    QString text;
    /**
     * The length of the "~" or "~name" the word begins with outside double
     * quotes, up to a "/" or the end of the word; 0 when it begins otherwise.
     */
    int tildePrefixLength = 0;
};

/**
 * Splits typed text into words the way the detached start does: blanks
 * separate, double quotes group, three double quotes in a row stand for one
 * literal double quote, and a word of nothing but quotes ("") is an empty word.
 */
QVector<CommandWord> splitCommandWords(const QString &text);

/**
 * The text of @p word with its tilde prefix replaced by that home folder: the
 * HOME variable for "~", the password database for "~name". Without a prefix,
 * or for a name that no user has, the text as it is.
 */
QString withHomeExpanded(const CommandWord &word);

/** @p text between single quotes, for the shell to read as one literal word. */
QString shellQuoted(QString text);

/**
 * @p word written so that @p consumer reads it back as one word. The detached
 * start receives it with its home folder expanded; for the shell a tilde
 * prefix stays unquoted, so that the shell expands it for the user it runs as.
 */
QString quotedWord(const CommandWord &word, LineConsumer consumer);

/**
 * Typed @p text as a line that gives @p consumer the same words that the
 * detached start would split it into, with home folders expanded as
 * quotedWord() says. For the detached start, text without a tilde prefix
 * comes back unchanged.
 */
QString typedCommandLine(const QString &text, LineConsumer consumer);

#endif
