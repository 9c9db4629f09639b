// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHPATH_H
#define SEARCHPATH_H

#include <QByteArray>
#include <QList>
#include <QString>

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

/** The files that say which search path su and sudo give; the system's unless told otherwise. */
struct SwitchConfiguration
{
    QString sudoers = QStringLiteral("/etc/sudoers");
    QString sudoersFolder = QStringLiteral("/etc/sudoers.d");
    QString loginDefinitions = QStringLiteral("/etc/login.defs");
};

/**
 * The search path of a command run as @p user through @p tool: for sudo its
 * secure_path, for su the ENV_SUPATH (root) or ENV_PATH (anyone else) of the
 * login definitions; Debian's values where a file does not set them or cannot
 * be read (sudo's configuration is root's alone). Relative entries are left out.
 * @param tool "sudo" or "su"; sudo only ever serves to become root
 * @return the folders joined by ":"
 */
QByteArray targetSearchPath(
    const QByteArray &user, const QString &tool, const SwitchConfiguration &files = {});

#endif
