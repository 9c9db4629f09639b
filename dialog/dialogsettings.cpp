// SPDX-License-Identifier: GPL-2.0-or-later
#include "dialogsettings.h"

#include "desktop/settingsstore.h"
#include "desktop/storedfile.h"
#include "settingvalues.h"

#include <QSettings>
#include <QTemporaryFile>

#include <cstring>

// Which history texts stand for an application is kept as "id<tab>text" under
// a key of its own, which older versions do not read.
static const QLatin1String historyApplicationsKey("historyApplications");

// A file this short is parsed whole as quickly as it is cut.
static const int shortFileBytes = 64 * 1024;

// Where the value between @p from and @p end, a list as QSettings writes it,
// has its first separator: a comma outside quotes and escapes. -1 when it
// holds one entry only.
static int firstSeparator(const QByteArray &contents, int from, int end)
{
    bool quoted = false;
    for (int i = from; i < end; ++i) {
        const char c = contents.at(i);
        if (c == '\\')
            ++i;
        else if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            return i;
    }
    return -1;
}

// The settings file @p contents with each "history" value cut after its
// first entry; QSettings reads that entry from it as from the whole list.
static QByteArray withHistoryCut(const QByteArray &contents)
{
    QByteArray cut;
    int copied = 0;
    const char *data = contents.constData();
    for (int lineStart = 0; lineStart < contents.size();) {
        const char *newline = static_cast<const char *>(
            std::memchr(data + lineStart, '\n', size_t(contents.size() - lineStart)));
        const int lineEnd = newline ? int(newline - data) : contents.size();
        const char *equals = static_cast<const char *>(
            std::memchr(data + lineStart, '=', size_t(lineEnd - lineStart)));
        // A line that goes on in the next one is left whole.
        int last = lineEnd - 1;
        while (last > lineStart && (data[last] == '\r' || data[last] == ' '))
            --last;
        const bool continued = last >= lineStart && data[last] == '\\';
        if (equals && !continued
            && contents.mid(lineStart, int(equals - data) - lineStart).trimmed() == "history") {
            const int separator = firstSeparator(contents, int(equals - data) + 1, lineEnd);
            if (separator >= 0) {
                cut += contents.mid(copied, separator - copied);
                copied = lineEnd;
            }
        }
        lineStart = lineEnd + 1;
    }
    return copied == 0 ? contents : cut + contents.mid(copied);
}

DialogSettings DialogSettings::readFrom(const QSettings &settings)
{
    DialogSettings stored;
    stored.useSu = settings.value(QStringLiteral("su"), true).toBool();
    stored.history = stringListSetting(settings, QStringLiteral("history"), QStringList());
    for (const QString &pair : stringListSetting(settings, historyApplicationsKey, QStringList())) {
        const int tab = pair.indexOf(QLatin1Char('\t'));
        if (tab > 0)
            stored.historyApplications.insert(pair.mid(tab + 1), pair.left(tab));
    }
    stored.terminalApps =
        stringListSetting(settings, QStringLiteral("terminalApps"), { QStringLiteral("ls") });
    stored.completionMode = completionModeSetting(settings);
    return stored;
}

void DialogSettings::write(QSettings &settings) const
{
    settings.setValue(QStringLiteral("su"), useSu);
    writeHistory(settings, history, historyApplications);
    settings.setValue(QStringLiteral("terminalApps"), terminalApps);
    settings.setValue(QStringLiteral("completionMode"), static_cast<int>(completionMode));
}

void DialogSettings::writeHistory(
    QSettings &settings, const QStringList &history, const QHash<QString, QString> &applications)
{
    settings.setValue(QStringLiteral("history"), history);
    QStringList pairs;
    for (auto entry = applications.cbegin(); entry != applications.cend(); ++entry)
        pairs += entry.value() + QLatin1Char('\t') + entry.key();
    pairs.sort();
    if (pairs.isEmpty())
        settings.remove(historyApplicationsKey);
    else
        settings.setValue(historyApplicationsKey, pairs);
}

DialogSettings DialogSettings::read()
{
    return readFrom(*SettingsStore::open());
}

DialogSettings DialogSettings::readForFirstFrame()
{
    QByteArray contents;
    QString error;
    if (!StoredFile::read(
            SettingsStore::fileName(), SettingsStore::maximumFileSize, &contents, &error)
        || contents.size() < shortFileBytes)
        return read();
    const QByteArray cut = withHistoryCut(contents);
    // QSettings reads files alone; this copy is the user's only and goes at once.
    QTemporaryFile copy;
    if (cut.size() == contents.size() || !copy.open() || copy.write(cut) != cut.size()
        || !copy.flush())
        return read();
    DialogSettings latest = readFrom(QSettings(copy.fileName(), QSettings::IniFormat));
    latest.historyComplete = false;
    return latest;
}
