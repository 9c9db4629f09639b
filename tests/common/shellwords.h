// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SHELLWORDS_H
#define SHELLWORDS_H

#include <QStringList>

/**
 * The words that "/bin/sh -c" hands a program for the command line @p line,
 * the program's own name first, after the shell's quoting and expansions.
 * A line the shell cannot run comes back as one word that says so.
 */
QStringList shellWords(const QString &line);

#endif
