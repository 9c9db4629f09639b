// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef THROWAWAYACCOUNT_H
#define THROWAWAYACCOUNT_H

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * Runs a system administration command such as useradd with @p input on its
 * standard input; false when it failed.
 */
bool runAdmin(const QString &program, const QStringList &arguments, const QByteArray &input = {});

/**
 * A login of the test's own with a home, a shell and a random password (root
 * only). A leftover of an earlier, crashed run goes before it is made, and
 * the account goes with its home when the object does.
 */
class ThrowAwayAccount
{
public:
    explicit ThrowAwayAccount(
        const QString &name, const QString &shell = QStringLiteral("/bin/bash"));
    ~ThrowAwayAccount();
    Q_DISABLE_COPY(ThrowAwayAccount)

    /** Makes the account; false when that failed. */
    bool create();
    QString name() const { return m_name; }
    QByteArray password() const { return m_password; }

private:
    void remove() const;

    QString m_name;
    QString m_shell;
    QByteArray m_password;
    bool m_created = false;
};

#endif
