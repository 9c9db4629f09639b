// SPDX-License-Identifier: GPL-2.0-or-later
#include "throwawayaccount.h"

#include <QProcess>
#include <QRandomGenerator>

bool runAdmin(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// Letters that read and type alike on any keyboard layout and in any tool.
static QByteArray randomPassword()
{
    static const char characters[] = "abcdefghijkmnopqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789-_";
    QByteArray password;
    for (int i = 0; i < 16; ++i)
        password += characters[QRandomGenerator::global()->bounded(int(sizeof characters) - 1)];
    return password;
}

ThrowAwayAccount::ThrowAwayAccount(const QString &name, const QString &shell)
    : m_name(name)
    , m_shell(shell)
{ }

ThrowAwayAccount::~ThrowAwayAccount()
{
    if (m_created)
        remove();
}

bool ThrowAwayAccount::create()
{
    remove();
    m_created = runAdmin(
        QStringLiteral("useradd"), { QStringLiteral("-m"), QStringLiteral("-s"), m_shell, m_name });
    m_password = randomPassword();
    return m_created
        && runAdmin(QStringLiteral("chpasswd"), {}, m_name.toLocal8Bit() + ':' + m_password + '\n');
}

void ThrowAwayAccount::remove() const
{
    // -f: an orphaned su or sudo of the user must not keep the account alive. Quiet, since
    // before create() there is mostly nothing to remove.
    QProcess userdel;
    userdel.start(
        QStringLiteral("userdel"), { QStringLiteral("-r"), QStringLiteral("-f"), m_name });
    userdel.waitForFinished(30000);
}
