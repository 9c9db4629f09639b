// SPDX-License-Identifier: GPL-2.0-or-later
#include "kavicontheme.h"

#include <QFile>
#include <QIcon>
#include <QUrl>

#include <memory>

KavIconTheme::KavIconTheme()
    : themeName(QIcon::themeName())
{ }

KavIconTheme *KavIconTheme::current(bool forceLoad)
{
    static std::unique_ptr<KavIconTheme> theme;
    if (!theme)
        theme.reset(new KavIconTheme);
    else if (forceLoad)
        theme->themeName = QIcon::themeName();
    return theme.get();
}

static QString localPath(const char *url)
{
    const QByteArray bytes(url ? url : "");
    if (bytes.startsWith("file:"))
        return QUrl(QString::fromLocal8Bit(bytes), QUrl::TolerantMode).toLocalFile();
    return QFile::decodeName(bytes);
}

std::string KavIconTheme::getURLIconName(const char *url, std::string *detail)
{
    const QMimeType type = mimeDatabase.mimeTypeForFile(localPath(url));
    if (detail)
        *detail = type.name().toStdString();

    for (const QString &iconName : { type.iconName(), type.genericIconName() }) {
        if (!iconName.isEmpty() && QIcon::hasThemeIcon(iconName))
            return iconName.toStdString();
    }
    return "unknown";
}
