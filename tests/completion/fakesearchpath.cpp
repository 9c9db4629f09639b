// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakesearchpath.h"

#include "../common/desktopentryfile.h"
#include "../common/systemapplications.h"

#include <QDir>
#include <QFile>

FakeSearchPath::FakeSearchPath()
    : savedPath(qgetenv("PATH"))
    , pathWasSet(qEnvironmentVariableIsSet("PATH"))
    , savedDataHome(qgetenv("XDG_DATA_HOME"))
    , savedDataDirs(qgetenv("XDG_DATA_DIRS"))
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(directory(QStringLiteral("data"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dataFolderHidingSystemApplications(root.path())));
}

FakeSearchPath::~FakeSearchPath()
{
    if (pathWasSet)
        qputenv("PATH", savedPath);
    else
        qunsetenv("PATH");
    // Empty values mean the defaults, as unset ones do.
    qputenv("XDG_DATA_HOME", savedDataHome);
    qputenv("XDG_DATA_DIRS", savedDataDirs);
    // Let the folder's removal through directories a test made unreadable.
    QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QStringList names = QDir(root.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &name : names)
        QFile::setPermissions(
            root.filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString FakeSearchPath::directory(const QString &name) const
{
    QDir(root.path()).mkpath(name);
    return root.filePath(name);
}

bool FakeSearchPath::addProgram(
    const QString &directory, const QString &name, bool executable) const
{
    QFile file(directory + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QByteArrayLiteral("#!/bin/sh\nexit 0\n"));
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (executable)
        permissions |= QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    return file.setPermissions(permissions);
}

void FakeSearchPath::setSearchPath(const QStringList &directories)
{
    qputenv("PATH", QFile::encodeName(directories.join(QLatin1Char(':'))));
}

void FakeSearchPath::unsetSearchPath()
{
    qunsetenv("PATH");
}

bool FakeSearchPath::addApplication(const QString &id, const QByteArray &keys) const
{
    return writeDesktopEntry(directory(QStringLiteral("data/applications")) + QLatin1Char('/') + id
            + QStringLiteral(".desktop"),
        keys);
}
