// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DESKTOPENTRYFILE_H
#define DESKTOPENTRYFILE_H

#include <QByteArray>
#include <QString>

/**
 * Writes a desktop entry to @p path, making its folder: the group header,
 * "Type=@p type" unless @p type is empty (then the lines say it, or nothing
 * does), and the lines @p keys.
 * @return false when the file could not be written
 */
bool writeDesktopEntry(const QString &path, const QByteArray &keys,
    const QByteArray &type = QByteArrayLiteral("Application"));

#endif
