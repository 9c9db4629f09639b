// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingvalues.h"

#include <QSettings>

QStringList stringListSetting(
    const QSettings &settings, const QString &key, const QStringList &defaultValue)
{
    if (!settings.contains(key))
        return defaultValue;
    const QVariant value = settings.value(key);
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QStringList();
    case QMetaType::QString:
    case QMetaType::QStringList:
        return value.toStringList();
    default:
        return defaultValue;
    }
}

QCompleter::CompletionMode completionModeSetting(const QSettings &settings)
{
    bool isNumber = false;
    const int mode = settings.value(QStringLiteral("completionMode"), 0).toInt(&isNumber);
    if (!isNumber)
        return QCompleter::PopupCompletion;
    return static_cast<QCompleter::CompletionMode>(
        qBound<int>(QCompleter::PopupCompletion, mode, QCompleter::InlineCompletion));
}
