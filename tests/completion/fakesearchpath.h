// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FAKESEARCHPATH_H
#define FAKESEARCHPATH_H

#include <QStringList>
#include <QTemporaryDir>

/**
 * Program directories in a temporary folder and a "PATH" naming them, and XDG
 * data folders there that hold only the applications added. The previous
 * "PATH" (or its absence) and data folders are restored and the folder
 * removed when the object goes.
 */
class FakeSearchPath
{
public:
    FakeSearchPath();
    ~FakeSearchPath();
    Q_DISABLE_COPY(FakeSearchPath)

    /** Creates (if needed) the directory @p name in the temporary folder; its absolute path. */
    QString directory(const QString &name) const;
    /** Writes a shell script @p name into @p directory, executable or not; false on failure. */
    bool addProgram(const QString &directory, const QString &name, bool executable = true) const;
    /** Sets "PATH" to @p directories joined by ':' (kept as given: empty or repeated parts too). */
    static void setSearchPath(const QStringList &directories);
    static void unsetSearchPath();
    /** Writes the desktop entry @p id.desktop of an application with @p keys; false on failure. */
    bool addApplication(const QString &id, const QByteArray &keys) const;

private:
    QTemporaryDir root;
    QByteArray savedPath;
    bool pathWasSet;
    QByteArray savedDataHome;
    QByteArray savedDataDirs;
};

#endif
