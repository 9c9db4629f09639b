// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSSTORE_H
#define SETTINGSSTORE_H

#include <QString>

#include <functional>
#include <memory>

class QSettings;

/**
 * The user's settings file, the one QSettings() would use, read only when it
 * is a regular file of a sane size and written whole or not at all. QSettings
 * opens the file itself, a FIFO too, and on a full disk can report as saved
 * a file that it left empty, so the changes are written to a scratch file
 * beside it, read back, and only then put in its place. The organisation-wide
 * and system files that QSettings() falls back on are not read.
 */
class SettingsStore
{
public:
    /** The largest settings file read, in bytes. */
    static constexpr qint64 maximumFileSize = 256 * 1024 * 1024;

    /** The user's settings file of this application, as QSettings() names it. */
    static QString fileName();

    /**
     * The settings as stored. When the file is something other than a
     * regular file or too large, a warning says so and every key reads as
     * absent; the file itself is left alone.
     */
    static std::unique_ptr<QSettings> open();

    /**
     * Applies @p change to the stored settings and writes the file.
     * @return false, with the file left as it was, when it could not be
     *         written whole; @p error, when given, then names it and says why
     */
    static bool change(const std::function<void(QSettings &)> &change, QString *error = nullptr);
};

#endif
