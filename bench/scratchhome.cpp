// SPDX-License-Identifier: GPL-2.0-or-later
#include "scratchhome.h"

#include "typicalapplications.h"
#include "typicalhistory.h"

#include <QColor>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

static const int usedApplications = 60;
// The commands of the history that the usage record counts, the most recent first.
static const int countedCommands = 40;
static const int pngIconExtent = 48;

ScratchHome::ScratchHome()
{
    char pattern[] = "/tmp/kavrun-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return;
    home = pattern;
    // The runtime directory must be private, or Qt refuses it.
    mkdir((home + "/runtime").c_str(), 0700);
    for (const char *folder : { "/config", "/data", "/cache" })
        mkdir((home + folder).c_str(), 0755);
}

ScratchHome::~ScratchHome()
{
    if (home.empty())
        return;
    std::error_code error;
    std::filesystem::remove_all(home, error);
    if (error)
        std::fprintf(stderr, "could not remove %s: %s\n", home.c_str(), error.message().c_str());
}

const std::string &ScratchHome::path() const
{
    return home;
}

std::string ScratchHome::configHome() const
{
    return home + "/config";
}

std::vector<std::string> ScratchHome::environment() const
{
    return { "HOME=" + home, "XDG_RUNTIME_DIR=" + home + "/runtime",
        "XDG_CONFIG_HOME=" + configHome(), "XDG_DATA_HOME=" + home + "/data",
        "XDG_CACHE_HOME=" + home + "/cache" };
}

void ScratchHome::writeKavRunHistory(int entries) const
{
    mkdir((configHome() + "/kav").c_str(), 0755);
    QSettings settings(
        QString::fromStdString(configHome() + "/kav/kav-run.conf"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("history"), typicalHistory(entries));
    settings.sync();
}

// Scores as a week of use leaves them: the recent commands ran more often.
static void writeUsageRecord(const QString &fileName, const QStringList &commands)
{
    QDir().mkpath(QFileInfo(fileName).path());
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QByteArray record = "kav-run usage 1\n";
    for (int rank = 0; rank < commands.size(); ++rank)
        record += QByteArray::number(1 + (commands.size() - rank) / 4.0) + '\t'
            + QByteArray::number(now - rank * 3600) + '\t' + commands.at(rank).toUtf8() + '\n';
    file.write(record);
}

// The icons "app-<n>" that writeTypicalApplications() names, in the user's
// hicolor theme: even numbers as 48-pixel PNGs, odd ones as SVGs.
static void writeApplicationIcons(const QString &theme, int count)
{
    const QString pngFolder = theme + QStringLiteral("/48x48/apps/");
    const QString svgFolder = theme + QStringLiteral("/scalable/apps/");
    QDir().mkpath(pngFolder);
    QDir().mkpath(svgFolder);
    for (int n = 0; n < count; ++n) {
        const QColor colour = QColor::fromHsv(n * 360 / count, 160, 200);
        if (n % 2 == 0) {
            QImage image(pngIconExtent, pngIconExtent, QImage::Format_ARGB32);
            image.fill(colour);
            image.save(pngFolder + QStringLiteral("app-%1.png").arg(n), "png");
            continue;
        }
        QFile svg(svgFolder + QStringLiteral("app-%1.svg").arg(n));
        if (svg.open(QIODevice::WriteOnly))
            svg.write(QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" "
                                     "height=\"48\"><rect x=\"4\" y=\"4\" width=\"40\" "
                                     "height=\"40\" rx=\"6\" fill=\"%1\"/></svg>\n")
                          .arg(colour.name())
                          .toUtf8());
    }
}

void ScratchHome::furnishAsUsed(int historyEntries) const
{
    writeKavRunHistory(historyEntries);
    const QString data = QString::fromStdString(home + "/data");
    writeUsageRecord(data + QStringLiteral("/kav/kav-run/usage"), typicalHistory(countedCommands));
    writeTypicalApplications(data + QStringLiteral("/applications"), usedApplications);
    writeApplicationIcons(data + QStringLiteral("/icons/hicolor"), usedApplications);
}
