// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/helpwindow.h"
#include "desktop/kavdesktop.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class KavInitTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void registersNamesAndVersion();
    void choosesInstalledThemeWhenPlatformNamesNone_data();
    void choosesInstalledThemeWhenPlatformNamesNone();
    void keepsThemeThePlatformNames();
    void themesOfThePreferredNamesComeFirst();

private:
    void addTheme(const QString &name, bool withDirectories);

    QTemporaryDir m_data;
};

void KavInitTest::addTheme(const QString &name, bool withDirectories)
{
    const QString folder = m_data.path() + QStringLiteral("/icons/") + name;
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/48x48/apps")));
    QFile index(folder + QStringLiteral("/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=" + name.toUtf8() + "\n");
    if (withDirectories)
        index.write("Directories=48x48/apps\n\n[48x48/apps]\nSize=48\nType=Fixed\n");
    else
        index.write("Inherits=Adwaita\n");
}

void KavInitTest::init()
{
    QVERIFY(m_data.isValid());
    QDir(m_data.path()).removeRecursively();
    QVERIFY(QDir().mkpath(m_data.path() + QStringLiteral("/icons")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path() + QStringLiteral("/home")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_data.path()));
    QIcon::setThemeSearchPaths({ QStringLiteral(":/icons") });
    QIcon::setThemeName(QString());
}

void KavInitTest::registersNamesAndVersion()
{
    const QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    kavInit("0.2.2", "Kav command runner");
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("kav-run"));
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("kav"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("0.2.2"));
    // The display name names the handbook, and no window title of the toolkit's.
    QCOMPARE(HelpWindow().windowTitle(), QStringLiteral("Kav command runner Handbook"));
    QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("kav-run"));
    QCOMPARE(QSettings().fileName(), config.path() + QStringLiteral("/kav/kav-run.conf"));
}

void KavInitTest::choosesInstalledThemeWhenPlatformNamesNone_data()
{
    QTest::addColumn<QString>("platformTheme");
    QTest::newRow("no theme") << QString();
    QTest::newRow("only hicolor") << QStringLiteral("hicolor");
}

void KavInitTest::choosesInstalledThemeWhenPlatformNamesNone()
{
    QFETCH(QString, platformTheme);
    addTheme(QStringLiteral("hicolor"), true);
    addTheme(QStringLiteral("default"), false);
    addTheme(QStringLiteral("zeta"), true);
    // Looked at first, and never read: reading would wait for a writer for good.
    const QString fifo = m_data.path() + QStringLiteral("/icons/alpha/index.theme");
    QVERIFY(QDir().mkpath(QFileInfo(fifo).path()));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QIcon::setThemeName(platformTheme);

    kavInit("0.2.2", "Kav command runner");
    QCOMPARE(QIcon::themeName(), QStringLiteral("zeta"));
    QVERIFY(QIcon::themeSearchPaths().contains(m_data.path() + QStringLiteral("/icons")));
}

void KavInitTest::keepsThemeThePlatformNames()
{
    addTheme(QStringLiteral("zeta"), true);
    QIcon::setThemeName(QStringLiteral("mytheme"));
    kavInit("0.2.2", "Kav command runner");
    QCOMPARE(QIcon::themeName(), QStringLiteral("mytheme"));

    // Nothing to choose from: the platform's hicolor stays.
    init();
    QIcon::setThemeName(QStringLiteral("hicolor"));
    kavInit("0.2.2", "Kav command runner");
    QCOMPARE(QIcon::themeName(), QStringLiteral("hicolor"));
}

void KavInitTest::themesOfThePreferredNamesComeFirst()
{
    if (!QFile::exists(QStringLiteral("/usr/share/icons/Adwaita/index.theme")))
        QSKIP("the Adwaita icon theme is not installed");
    addTheme(QStringLiteral("aaa"), true);
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_data.path()) + ":/usr/share");

    kavInit("0.2.2", "Kav command runner");
    QCOMPARE(QIcon::themeName(), QStringLiteral("Adwaita"));
    QVERIFY(!QIcon::fromTheme(QStringLiteral("system-run")).isNull());
}

QTEST_MAIN(KavInitTest)
#include "tst_kavinit.moc"
