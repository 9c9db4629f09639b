// SPDX-License-Identifier: GPL-2.0-or-later
#include "storedfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

static QString notARegularFile()
{
    return QCoreApplication::translate("StoredFile", "it is not a regular file");
}

static QString tooLarge(qint64 limit)
{
    return QCoreApplication::translate("StoredFile", "it is larger than %1 bytes").arg(limit);
}

bool StoredFile::read(const QString &path, qint64 limit, QByteArray *content, QString *error)
{
    content->clear();
    error->clear();
    // Not blocking: opening a FIFO would wait for a writer.
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            *error = systemError();
        return false;
    }
    struct stat status;
    if (fstat(fd, &status) != 0) {
        *error = systemError();
    } else if (!S_ISREG(status.st_mode)) {
        *error = notARegularFile();
    } else {
        // The file may grow while it is read; the limit holds all the same.
        QByteArray bytes(int(qMin<qint64>(status.st_size, limit) + 1), Qt::Uninitialized);
        qint64 size = 0;
        for (;;) {
            if (size == bytes.size()) {
                if (size > limit)
                    break;
                bytes.resize(int(qMin<qint64>(size * 2, limit + 1)));
            }
            const ssize_t count = ::read(fd, bytes.data() + size, size_t(bytes.size() - size));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                if (count < 0)
                    *error = systemError();
                break;
            }
            size += count;
        }
        if (error->isEmpty() && size > limit)
            *error = tooLarge(limit);
        if (error->isEmpty()) {
            bytes.resize(int(size));
            *content = bytes;
        }
    }
    close(fd);
    return error->isEmpty();
}

QString StoredFile::refusalToRead(const QString &path, qint64 limit)
{
    struct stat status;
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT ? QString() : systemError();
    if (!S_ISREG(status.st_mode))
        return notARegularFile();
    return status.st_size > limit ? tooLarge(limit) : QString();
}

bool StoredFile::write(const QString &path, const QByteArray &content, QString *error)
{
    error->clear();
    const QFileInfo target(path);
    // A save file would replace a FIFO or write through a link to a device.
    if (target.exists() && !target.isFile()) {
        *error = notARegularFile();
        return false;
    }
    if (!QDir().mkpath(target.path())) {
        *error = QCoreApplication::translate("StoredFile", "its folder cannot be made");
        return false;
    }
    // Unbuffered, a full disk fails the write itself; a buffered write that
    // fails only when the save file is committed is committed all the same.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        && file.write(content) == content.size() && file.error() == QFileDevice::NoError
        && file.commit())
        return true;
    *error = file.errorString();
    file.cancelWriting();
    return false;
}
