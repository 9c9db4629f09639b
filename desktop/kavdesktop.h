// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KAVDESKTOP_H
#define KAVDESKTOP_H

#include "desktop/kaviconlabel.h"
#include "desktop/kavicontheme.h"
#include "desktop/kavmenudialog.h"

#include <QString>

/**
 * Registers the application with the toolkit: application name "kav-run",
 * organisation "kav" and @p version; names the handbook after @p displayName
 * (window titles stay without it); installs the translations for the user's
 * language and picks an installed icon theme when the platform names none.
 * Call once, after the application object exists and before any text is
 * translated.
 */
void kavInit(const char *version, const char *displayName);

/**
 * Opens the application's handbook, scrolled to the anchor @p topic (the
 * start of the page when empty), over the active window. A later call
 * raises the same window.
 */
void kavHelpShow(const QString &topic);

#endif
