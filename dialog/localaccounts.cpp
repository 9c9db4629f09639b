// SPDX-License-Identifier: GPL-2.0-or-later
#include "localaccounts.h"

#include <KUser>

#include <cstdio>
#include <pwd.h>
#include <unistd.h>

QString LocalAccounts::callerName()
{
    const passwd *entry = getpwuid(getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

bool LocalAccounts::callerIsRoot()
{
    return getuid() == 0;
}

QString LocalAccounts::defaultTargetUser()
{
    const QString adminGroup = QStringLiteral("zirna-admin");
    const KUser user(KUser::UseEffectiveUID);
    if (user.groupNames().contains(adminGroup))
        return QString();
    return KUserGroup(adminGroup).userNames(1).value(0);
}

bool LocalAccounts::readUserNames(QStringList *names)
{
    FILE *file = std::fopen("/etc/passwd", "re");
    if (!file)
        return false;
    while (const passwd *entry = fgetpwent(file))
        names->append(QString::fromLocal8Bit(entry->pw_name));
    std::fclose(file);
    return true;
}
