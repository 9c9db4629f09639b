// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsstore.h"

#include "storedfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>

#include <cerrno>
#include <cstdio>
#include <cstring>

// How long a save waits for another one of the same file.
static const int lockWaitMs = 2000;

QString SettingsStore::fileName()
{
    // The folder that QSettings::setPath() or the environment chose, asked
    // through a file that is not there, so that nothing is read.
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope,
        QStringLiteral("kav-run settings folder probe"), QString());
    const QString organization = QCoreApplication::organizationName();
    return QFileInfo(probe.fileName()).path() + QLatin1Char('/')
        + (organization.isEmpty() ? QStringLiteral("Unknown Organization") : organization)
        + QLatin1Char('/') + QCoreApplication::applicationName() + QStringLiteral(".conf");
}

std::unique_ptr<QSettings> SettingsStore::open()
{
    const QString file = fileName();
    const QString refusal = StoredFile::refusalToRead(file, maximumFileSize);
    if (refusal.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    qWarning("kav-run: the settings %s are not read: %s", qPrintable(file), qPrintable(refusal));
    return std::make_unique<QSettings>(QString(), QSettings::IniFormat);
}

// A number or a truth value comes back from the file as its text, a list of
// one element as that element, and an empty list as no value.
static bool sameValue(const QVariant &written, const QVariant &read)
{
    if (written.userType() == QMetaType::QStringList || read.userType() == QMetaType::QStringList)
        return written.toStringList() == read.toStringList()
            && (written.isValid() || read.toStringList().isEmpty());
    return written == read;
}

// Whether the file @p name holds exactly the keys and values of @p written.
// A settings object on the file must not be alive: it would share what it
// holds with the reader instead of letting it read the file.
static bool holdsAll(const QString &name, const QVariantMap &written)
{
    const QSettings stored(name, QSettings::IniFormat);
    if (stored.status() != QSettings::NoError || stored.allKeys().size() != written.size())
        return false;
    for (auto value = written.cbegin(); value != written.cend(); ++value) {
        if (!sameValue(*value, stored.value(value.key())))
            return false;
    }
    return true;
}

bool SettingsStore::change(const std::function<void(QSettings &)> &change, QString *error)
{
    // A link to the file stays a link: the file it leads to is replaced.
    const QFileInfo named(fileName());
    const QString file =
        named.isSymLink() && named.isFile() ? named.canonicalFilePath() : named.filePath();
    const QString scratch = file + QStringLiteral(".saving");
    // Saves of the same file take turns, with QSettings' own among them. A
    // folder where no lock can be made takes no other save either.
    QLockFile lock(file + QStringLiteral(".lock"));
    if (!lock.tryLock(lockWaitMs) && lock.error() == QLockFile::LockFailedError) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(
                file, QCoreApplication::translate("SettingsStore", "another program is saving it"));
        return false;
    }
    const auto fail = [&](const QString &reason) {
        QFile::remove(scratch);
        if (error)
            *error = QStringLiteral("%1: %2").arg(file, reason);
        return false;
    };

    QByteArray stored;
    QString reason;
    if (!StoredFile::read(file, maximumFileSize, &stored, &reason) && !reason.isEmpty())
        return fail(reason);
    if (!StoredFile::write(scratch, stored, &reason))
        return fail(reason);
    // The file keeps the permissions it had.
    if (QFile::exists(file))
        QFile::setPermissions(scratch, QFile::permissions(file));
    QVariantMap written;
    {
        QSettings settings(scratch, QSettings::IniFormat);
        change(settings);
        settings.sync();
        // A format error is the old file's, which the new one repairs.
        if (settings.status() == QSettings::AccessError)
            return fail(QCoreApplication::translate("SettingsStore", "it cannot be written"));
        const QStringList keys = settings.allKeys();
        for (const QString &key : keys)
            written.insert(key, settings.value(key));
    }
    if (!holdsAll(scratch, written))
        return fail(QCoreApplication::translate("SettingsStore", "it was not written whole"));
    if (std::rename(QFile::encodeName(scratch).constData(), QFile::encodeName(file).constData())
        != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}
