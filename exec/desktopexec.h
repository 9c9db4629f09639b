// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DESKTOPEXEC_H
#define DESKTOPEXEC_H

#include <QString>

/** What a desktop entry contributes to its command line besides the Exec value. */
struct DesktopEntryFields
{
    /** The Icon value; empty when the entry has none. */
    QString icon;
    /** The translated Name. */
    QString name;
    /** The path of the desktop file. */
    QString filePath;
};

/**
 * The command line that launches a desktop entry's application.
 *
 * The Exec value is read as the desktop entry format quotes it, and its field
 * codes are expanded: "%f", "%F", "%u" and "%U" take the typed arguments (none
 * when nothing was typed), "%i" becomes "--icon" and the icon (nothing without
 * one), "%c" the name, "%k" the file path, "%%" a percent sign; the deprecated
 * and unknown codes vanish.
 *
 * @param exec the entry's Exec value
 * @param arguments the typed words after the first, as QProcess splits them
 * @return a line for QProcess's single-string splitting, with every expanded
 *         value that holds blanks or double quotes quoted; empty when @p exec
 *         holds nothing but field codes that vanish
 */
QString expandDesktopExec(
    const QString &exec, const QString &arguments, const DesktopEntryFields &fields);

#endif
