// SPDX-License-Identifier: GPL-2.0-or-later
#include "dialogsettings.h"

#include "settingvalues.h"

#include <QSettings>

DialogSettings DialogSettings::read()
{
    const QSettings settings;
    DialogSettings stored;
    stored.useSu = settings.value(QStringLiteral("su"), true).toBool();
    stored.history = stringListSetting(settings, QStringLiteral("history"), QStringList());
    stored.terminalApps =
        stringListSetting(settings, QStringLiteral("terminalApps"), { QStringLiteral("ls") });
    stored.completionMode = completionModeSetting(settings);
    return stored;
}
