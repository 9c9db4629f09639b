// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef THEMEICON_H
#define THEMEICON_H

#include <QIcon>
#include <QStringList>

/**
 * The icon of the first of @p names that the current icon theme, or a theme
 * it inherits, has; empty names are skipped. The first name the theme lacks
 * makes Qt read the index of every theme it inherits.
 *
 * @return the icon; a null icon when the themes have none of @p names
 */
QIcon firstThemeIcon(const QStringList &names);

#endif
