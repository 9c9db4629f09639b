// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef TYPICALAPPLICATIONS_H
#define TYPICALAPPLICATIONS_H

#include <QStringList>

/** The words that the applications of writeTypicalApplications() are named with. */
QStringList applicationNameWords();

/**
 * Writes @p count desktop entries "org.example.App<n>.desktop" into @p folder,
 * each named with two of applicationNameWords() and its number, with a
 * German name, a generic name, two keywords and an icon.
 */
void writeTypicalApplications(const QString &folder, int count);

#endif
