// SPDX-License-Identifier: GPL-2.0-or-later
#include "scratchhome.h"

#include "typicalhistory.h"

#include <QSettings>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

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
