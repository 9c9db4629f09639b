// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DESKTOPEXEC_H
#define DESKTOPEXEC_H

#include "core/commandwords.h"

#include <QStringList>

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
 * The command lines that launch a desktop entry's application: one, or one per
 * typed word when the Exec value takes a single file or address ("%f", "%u")
 * and more than one was typed.
 *
 * The Exec value is read as the desktop entry format quotes it, and its field
 * codes are expanded: "%f", "%F", "%u" and "%U" take the typed words (none
 * when nothing was typed), "%i" becomes "--icon" and the icon (nothing without
 * one), "%c" the name, "%k" the file path, "%%" a percent sign; the deprecated
 * and unknown codes vanish. When the Exec value holds none of "%f", "%F",
 * "%u" and "%U", the typed words follow it.
 *
 * @param exec the entry's Exec value
 * @param arguments the typed text after the entry's name, split into words
 *        as splitCommandWords() says
 * @param consumer who reads the line: every word reaches the application as
 *        the same word, a typed "~" expanded as quotedWord() says
 * @return the lines, never none; a line is empty when @p exec holds nothing
 *         but field codes that vanish and nothing was typed
 */
QStringList expandDesktopExec(const QString &exec, const QString &arguments,
    const DesktopEntryFields &fields, LineConsumer consumer);

#endif
