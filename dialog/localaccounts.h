// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef LOCALACCOUNTS_H
#define LOCALACCOUNTS_H

#include <QString>
#include <QStringList>

/** The accounts of this computer as the dialog names and offers them. */
class LocalAccounts
{
public:
    /** The login name of the user who runs the dialog; empty when the system does not know it. */
    static QString callerName();
    /** Whether the user who runs the dialog is root. */
    static bool callerIsRoot();

    /**
     * The user to run commands as that the dialog proposes: nobody to a
     * member of the group "zirna-admin", anyone else that group's first
     * member. Reads the group database, so it may take long; it touches no
     * widget and runs on any thread.
     * @return the name; empty when there is nobody to propose
     */
    static QString defaultTargetUser();

    /**
     * Appends the names of the local accounts, system accounts included, to
     * @p names in the order of the password file.
     * @return false, appending nothing, when the password file cannot be read
     */
    static bool readUserNames(QStringList *names);
};

#endif
