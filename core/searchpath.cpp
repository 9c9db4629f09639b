// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchpath.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringList>

QList<QByteArray> absoluteSearchFolders()
{
    QList<QByteArray> folders;
    for (const QByteArray &folder : qgetenv("PATH").split(':')) {
        if (folder.startsWith('/'))
            folders.append(folder);
    }
    return folders;
}

QByteArray findInAbsoluteFolders(const char *name)
{
    QStringList folders;
    for (const QByteArray &folder : absoluteSearchFolders())
        folders.append(QFile::decodeName(folder));
    // Without folders, findExecutable would search all of PATH.
    if (folders.isEmpty())
        return QByteArray();
    return QFile::encodeName(QStandardPaths::findExecutable(QFile::decodeName(name), folders));
}

// The lines of @p path; none when it cannot be read.
static QList<QByteArray> linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A configuration file is a few kilobytes; anything far larger is no configuration.
    return file.read(1024 * 1024).split('\n');
}

// The absolute entries of @p path, joined again.
static QByteArray absoluteEntries(const QByteArray &path)
{
    QList<QByteArray> folders;
    for (const QByteArray &folder : path.split(':')) {
        if (folder.startsWith('/'))
            folders.append(folder);
    }
    return folders.join(':');
}

// The value of the last "Defaults secure_path=..." in @p lines (settings for all
// users and commands only); a null array when there is none.
static QByteArray securePathIn(const QList<QByteArray> &lines)
{
    QByteArray found;
    for (const QByteArray &line : lines) {
        const QByteArray simplified = line.simplified();
        if (!simplified.startsWith("Defaults "))
            continue;
        for (const QByteArray &setting : simplified.mid(9).split(',')) {
            const int equals = setting.indexOf('=');
            if (equals < 0 || setting.left(equals).trimmed() != "secure_path")
                continue;
            QByteArray value = setting.mid(equals + 1).trimmed();
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            found = value;
        }
    }
    return found;
}

// sudo reads the files of its folder in the order of their names, skipping
// those whose names hold a "." or end in "~".
static QByteArray sudoSecurePath(const SwitchConfiguration &files)
{
    QByteArray found = securePathIn(linesOf(files.sudoers));
    const QStringList names = QDir(files.sudoersFolder).entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (name.contains(QLatin1Char('.')) || name.endsWith(QLatin1Char('~')))
            continue;
        const QByteArray inFile =
            securePathIn(linesOf(files.sudoersFolder + QLatin1Char('/') + name));
        if (!inFile.isNull())
            found = inFile;
    }
    return found;
}

// The value of @p key in the login definitions, without its "PATH=".
static QByteArray loginDefinition(const SwitchConfiguration &files, const QByteArray &key)
{
    QByteArray found;
    for (const QByteArray &line : linesOf(files.loginDefinitions)) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2 || words.first() != key)
            continue;
        found = words.at(1);
        if (found.startsWith("PATH="))
            found = found.mid(5);
    }
    return found;
}

QByteArray targetSearchPath(
    const QByteArray &user, const QString &tool, const SwitchConfiguration &files)
{
    const QByteArray systemFolders = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
    const bool root = user == "root";
    QByteArray path;
    if (tool == QLatin1String("sudo") && root)
        path = sudoSecurePath(files);
    else
        path = loginDefinition(files, root ? "ENV_SUPATH" : "ENV_PATH");
    path = absoluteEntries(path);
    if (!path.isEmpty())
        return path;
    return root ? systemFolders
                : QByteArrayLiteral("/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games");
}
