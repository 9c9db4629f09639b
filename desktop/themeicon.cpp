// SPDX-License-Identifier: GPL-2.0-or-later
#include "themeicon.h"

QIcon firstThemeIcon(const QStringList &names)
{
    for (const QString &name : names) {
        if (name.isEmpty())
            continue;
        const QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull())
            return icon;
    }
    return QIcon();
}
