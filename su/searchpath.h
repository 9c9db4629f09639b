// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHPATH_H
#define SEARCHPATH_H

#include <QByteArray>
#include <QList>

/**
 * The folders of PATH that name a place of their own: its absolute entries, in
 * order. An empty or relative entry stands for the current folder, which may
 * be anybody's (a resident takes it from whichever start handed over).
 * @return the folders, none when PATH holds no absolute entry
 */
QList<QByteArray> absoluteSearchFolders();

/**
 * Looks the program @p name up in absoluteSearchFolders().
 * @return the path of the first executable found, or an empty array when there is none
 */
QByteArray findInAbsoluteFolders(const char *name);

#endif
