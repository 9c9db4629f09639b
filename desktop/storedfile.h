// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef STOREDFILE_H
#define STOREDFILE_H

#include <QByteArray>
#include <QString>

/**
 * The program's own files (settings, usage record, icon cache), read and
 * written so that nothing waits for ever and nothing is lost: a file is read
 * only when it is a regular file, and never more of it than a limit, however
 * it grows while it is read; a file is replaced whole or left as it was, on
 * a full disk too, where a save file can report a buffered write that never
 * reached the disk as a success.
 */
class StoredFile
{
public:
    /**
     * Reads the file @p path into @p content.
     * @return false when it cannot be read: @p error says why (it is not a
     *         regular file, cannot be opened or holds more than @p limit
     *         bytes), or is empty when the file is simply missing
     */
    static bool read(const QString &path, qint64 limit, QByteArray *content, QString *error);

    /**
     * Why @p path must not be handed to a reader that opens it itself
     * (QSettings, KConfig, QIcon): it names something other than a regular
     * file, a FIFO or a device for instance, or a file larger than @p limit.
     * @return the reason; empty when the path is a regular file within the
     *         limit or names nothing
     */
    static QString refusalToRead(const QString &path, qint64 limit);

    /**
     * Replaces the file @p path by @p content, making its folder when needed.
     * Something other than a regular file in its place is left alone.
     * @return false, the file left as it was, when it could not be written
     *         whole; @p error then says why
     */
    static bool write(const QString &path, const QByteArray &content, QString *error);
};

#endif
