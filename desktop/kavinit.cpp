// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/kavdesktop.h"
#include "helpwindow.h"
#include "storedfile.h"
#include "translations/installtranslations.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QStandardPaths>

// A theme folder holds an index.theme that lists its icon directories;
// cursor-only themes such as "default" list none.
static bool isIconTheme(const QString &folder)
{
    // Far larger than any theme's index; a FIFO in its place would never end.
    static const qint64 maximumIndexSize = 4 * 1024 * 1024;
    const QString path = folder + QStringLiteral("/index.theme");
    QFile index(path);
    if (!StoredFile::refusalToRead(path, maximumIndexSize).isEmpty()
        || !index.open(QIODevice::ReadOnly))
        return false;
    while (!index.atEnd()) {
        if (index.readLine().startsWith("Directories="))
            return true;
    }
    return false;
}

static QStringList iconSearchPaths()
{
    QStringList paths = QIcon::themeSearchPaths();
    const QStringList dataFolders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
        QStringLiteral("icons"), QStandardPaths::LocateDirectory);
    for (const QString &folder : dataFolders) {
        if (!paths.contains(folder))
            paths.append(folder);
    }
    return paths;
}

// The first installed theme other than hicolor, the well-known full themes first.
static QString installedIconTheme(const QStringList &searchPaths)
{
    static const QStringList preferred = { QStringLiteral("Adwaita"), QStringLiteral("breeze"),
        QStringLiteral("oxygen") };
    for (const QString &name : preferred) {
        for (const QString &path : searchPaths) {
            if (isIconTheme(path + QLatin1Char('/') + name))
                return name;
        }
    }
    for (const QString &path : searchPaths) {
        const QStringList names =
            QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &name : names) {
            if (name != QLatin1String("hicolor") && isIconTheme(path + QLatin1Char('/') + name))
                return name;
        }
    }
    return QString();
}

static void ensureIconTheme()
{
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor"))
        return;
    const QStringList searchPaths = iconSearchPaths();
    const QString theme = installedIconTheme(searchPaths);
    if (theme.isEmpty())
        return;
    QIcon::setThemeSearchPaths(searchPaths);
    QIcon::setThemeName(theme);
}

void kavInit(const char *version, const char *displayName)
{
    QCoreApplication::setApplicationName(QStringLiteral("kav-run"));
    QCoreApplication::setOrganizationName(QStringLiteral("kav"));
    QCoreApplication::setApplicationVersion(QString::fromUtf8(version));
    // Not the toolkit's display name: the X11 platform appends that to every
    // window title, which is then no longer the dialog's own.
    HelpWindow::setApplicationName(QString::fromUtf8(displayName));
    installTranslations();
    ensureIconTheme();
}
