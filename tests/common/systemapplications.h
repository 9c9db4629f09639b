// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SYSTEMAPPLICATIONS_H
#define SYSTEMAPPLICATIONS_H

#include <QString>

/**
 * Makes a data folder inside @p parent whose "applications" folder hides every
 * desktop entry of "/usr/share/applications", which kav-run reads last
 * whatever $XDG_DATA_DIRS says, behind an entry with the same id and
 * "Hidden=true". A test that names it last in $XDG_DATA_DIRS sees only its own
 * applications.
 *
 * @return the data folder; an empty string when it could not be written
 */
QString dataFolderHidingSystemApplications(const QString &parent);

#endif
