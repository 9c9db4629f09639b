// SPDX-License-Identifier: GPL-2.0-or-later
#include <KConfigGroup>
#include <KDesktopFile>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Installs the build into a temporary root, as a distribution would, and
// checks that a desktop finds everything it needs there.
class InstallTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void programsAreOnTheSearchPath();
    void desktopEntryCanBeBoundToAKey();
    void pluginAuthorsGetTheInterface();
    void manualPagesAreInstalled();

private:
    /** Where @p path, absolute or below the installation prefix, is in the temporary root. */
    QString installed(const QString &path) const
    {
        return root.path()
            + (path.startsWith(QLatin1Char('/')) ? path
                                                 : QStringLiteral(INSTALL_PREFIX "/") + path);
    }

    QTemporaryDir root;
};

void InstallTest::initTestCase()
{
    QVERIFY(root.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    // Some files go to absolute folders, such as the autostart entry's below /etc.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESTDIR"), root.path());
    install.setProcessEnvironment(environment);
    install.start(QStringLiteral(CMAKE_COMMAND),
        { QStringLiteral("--install"), qEnvironmentVariable("KAVRUN_BINARY_DIR") });
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
}

void InstallTest::programsAreOnTheSearchPath()
{
    for (const QString &program :
        { QStringLiteral("bin/kav-run"), QStringLiteral("bin/tavrine") }) {
        const QFileInfo info(installed(program));
        QVERIFY2(info.isFile() && info.isExecutable(), qPrintable(program));
    }

    // kav-run finds its dialog program from where it was installed.
    QProcess kavRun;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    kavRun.setProcessEnvironment(environment);
    kavRun.start(installed(QStringLiteral("bin/kav-run")), { QStringLiteral("--version") });
    QVERIFY(kavRun.waitForFinished(20000));
    QCOMPARE(kavRun.readAllStandardOutput(), QByteArrayLiteral("kav-run 0.2.2\n"));
}

void InstallTest::desktopEntryCanBeBoundToAKey()
{
    const QString path = installed(QStringLiteral("share/applications/kav-run.desktop"));
    QVERIFY(QFileInfo::exists(path));
    KDesktopFile entry(path);
    QCOMPARE(entry.readType(), QStringLiteral("Application"));
    const KConfigGroup group = entry.desktopGroup();
    QCOMPARE(group.readEntry("Name", QString()), QStringLiteral("Run Command"));
    QCOMPARE(entry.readIcon(), QStringLiteral("system-run"));
    QCOMPARE(group.readEntry("Exec", QString()).section(QLatin1Char(' '), 0, 0),
        QStringLiteral("kav-run"));
    // One main category, so that menus list the dialog once.
    QCOMPARE(group.readXdgListEntry("Categories"), QStringList { QStringLiteral("Utility") });

    // The resident dialog's autostart entry is there but off.
    KDesktopFile autostart(
        installed(QStringLiteral(SYSCONF_DIR "/xdg/autostart/kav-run-resident.desktop")));
    QCOMPARE(autostart.desktopGroup().readEntry("Exec", QString()),
        QStringLiteral("kav-run --resident"));
    QVERIFY(autostart.desktopGroup().readEntry("Hidden", false));
}

void InstallTest::pluginAuthorsGetTheInterface()
{
    QFile header(installed(QStringLiteral("include/kav-run/iorvanrunner.h")));
    QVERIFY(header.open(QIODevice::ReadOnly));
    QVERIFY(header.readAll().contains(".kav-run.IOrvanRunner/1.0\""));
    QVERIFY(QFileInfo(installed(QStringLiteral(PLUGIN_INSTALL_DIR))).isDir());
}

void InstallTest::manualPagesAreInstalled()
{
    for (const QString &page : { QStringLiteral("kav-run.1"), QStringLiteral("tavrine.1") })
        QVERIFY2(QFileInfo::exists(installed(QStringLiteral("share/man/man1/") + page)),
            qPrintable(page));
}

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
