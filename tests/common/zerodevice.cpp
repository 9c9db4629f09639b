// SPDX-License-Identifier: GPL-2.0-or-later
#include "zerodevice.h"

#include <QFile>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

QString linkToZeroDevice(const QString &link, const QString &deviceFolder)
{
    QString device = QStringLiteral("/dev/zero");
    if (geteuid() == 0) {
        device = deviceFolder + QStringLiteral("/zero");
        struct stat zero;
        if (stat("/dev/zero", &zero) != 0 || !S_ISCHR(zero.st_mode)
            || (!QFile::exists(device)
                && mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, zero.st_rdev) != 0))
            return QString();
    }
    return QFile::link(device, link) ? device : QString();
}
