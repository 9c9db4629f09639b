// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FINDCOMMANDEXECUTABLE_H
#define FINDCOMMANDEXECUTABLE_H

#include <QString>

/**
 * Looks up the program of a command text on the search path: the text is
 * simplified and its first blank-separated word is searched for.
 *
 * @return the absolute path of the program, the word itself when it is an
 *         absolute path to an executable file, or an empty string when
 *         nothing was found
 */
QString findCommandExecutable(const QString &text);

#endif
