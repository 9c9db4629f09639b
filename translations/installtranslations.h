// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INSTALLTRANSLATIONS_H
#define INSTALLTRANSLATIONS_H

/**
 * Installs on the application the translations for the default locale
 * (QLocale(), which follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG): kav-run's
 * own catalogue, built into the program, and the toolkit's own from its
 * translations folder. A language without a catalogue keeps the English
 * texts. Call once, after the application object exists and before any text
 * is translated.
 *
 * Returns the number of catalogues installed: 0 to 2.
 */
int installTranslations();

#endif
