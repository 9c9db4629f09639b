// SPDX-License-Identifier: GPL-2.0-or-later
#include "dialogsettings.h"

#include "desktop/settingsstore.h"
#include "settingvalues.h"

#include <QSettings>

DialogSettings DialogSettings::read()
{
    const std::unique_ptr<QSettings> file = SettingsStore::open();
    const QSettings &settings = *file;
    DialogSettings stored;
    stored.useSu = settings.value(QStringLiteral("su"), true).toBool();
    stored.history = stringListSetting(settings, QStringLiteral("history"), QStringList());
    // Each "id<tab>text".
    for (const QString &pair :
        stringListSetting(settings, QStringLiteral("historyApplications"), QStringList())) {
        const int tab = pair.indexOf(QLatin1Char('\t'));
        if (tab > 0)
            stored.historyApplications.insert(pair.mid(tab + 1), pair.left(tab));
    }
    stored.terminalApps =
        stringListSetting(settings, QStringLiteral("terminalApps"), { QStringLiteral("ls") });
    stored.completionMode = completionModeSetting(settings);
    return stored;
}
