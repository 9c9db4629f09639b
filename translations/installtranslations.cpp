// SPDX-License-Identifier: GPL-2.0-or-later
#include "installtranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// The catalogues sit in a static library; their resource must be registered
// by name or the linker drops it.
static void registerCatalogues()
{
    Q_INIT_RESOURCE(translations);
}

// The translator lives as long as the application that uses it.
static bool installCatalogue(const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(), name, QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

int installTranslations()
{
    registerCatalogues();
    int installed = 0;
    if (installCatalogue(
            QStringLiteral("qtbase"), QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        ++installed;
    if (installCatalogue(QStringLiteral("kav-run"), QStringLiteral(":/translations")))
        ++installed;
    return installed;
}
