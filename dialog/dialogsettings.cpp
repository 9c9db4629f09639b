// SPDX-License-Identifier: GPL-2.0-or-later
#include "dialogsettings.h"

#include "settingvalues.h"

#include <QSettings>

DialogSettings DialogSettings::read()
{
    const QSettings settings;
    DialogSettings read;
    read.useSu = settings.value(QStringLiteral("su"), true).toBool();
    read.history = stringListSetting(settings, QStringLiteral("history"), QStringList());
    read.terminalApps =
        stringListSetting(settings, QStringLiteral("terminalApps"), { QStringLiteral("ls") });
    read.completionMode = completionModeSetting(settings);
    return read;
}
