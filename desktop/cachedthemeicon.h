// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CACHEDTHEMEICON_H
#define CACHEDTHEMEICON_H

#include <QIcon>
#include <QStringList>

/**
 * The icon firstThemeIcon() gives for @p names, for a window's first frame,
 * where it is drawn at @p extent device-independent pixels in the normal
 * mode.
 *
 * That one rendering is kept in the user's cache folder as a small PNG, with
 * a stamp of the icon theme's index and cache files. While they stay as they
 * were, a later start reads that PNG alone: neither the theme's indexes, nor
 * an image plug-in (an SVG renderer among them), nor any larger image; a
 * process that draws it again decodes it no second time while the file stays
 * as it was.
 * Every other size, mode or state is taken from the theme when it is first
 * drawn. An unreadable or damaged cache file is replaced, and only a regular
 * file of a sane size is read; a cache folder that cannot be written, or a
 * full disk, only costs the speed (StoredFile leaves no cut file).
 *
 * @return the icon; a null icon when the theme has none of @p names
 */
QIcon cachedThemeIcon(const QStringList &names, int extent);

#endif
