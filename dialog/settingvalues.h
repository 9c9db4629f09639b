// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGVALUES_H
#define SETTINGVALUES_H

#include <QCompleter>
#include <QStringList>

class QSettings;

/**
 * The string list stored under @p key, read as the dialog stores it: an empty
 * list is stored as an invalid value.
 * @return the list; @p defaultValue when the key is absent or holds anything
 *         but text
 */
QStringList stringListSetting(
    const QSettings &settings, const QString &key, const QStringList &defaultValue);

/**
 * The completion mode stored under "completionMode".
 * @return the mode, clamped to the modes there are; popup completion when
 *         the key is absent or holds no number
 */
QCompleter::CompletionMode completionModeSetting(const QSettings &settings);

#endif
