// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

static const QByteArray oldSettings = "[General]\nhistory=old\n";

// On a full disk QSettings can report as saved a file it left empty or cut
// short; the settings must then stay as they were.
class SettingsStoreTest : public QObject
{
    Q_OBJECT

public:
    // Unmounted on every path, a failed initTestCase() included.
    ~SettingsStoreTest() override
    {
        if (!disk.isEmpty())
            QProcess::execute(QStringLiteral("umount"), { disk });
    }

private Q_SLOTS:
    void initTestCase();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();

private:
    QTemporaryDir folder;
    QString disk;
};

void SettingsStoreTest::initTestCase()
{
    if (geteuid() != 0)
        QSKIP("mounting a small file system takes root");
    disk = folder.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    // Sixteen pages of 4 KiB.
    const bool mounted = QProcess::execute(QStringLiteral("mount"),
                             { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                 QStringLiteral("size=64k"), QStringLiteral("tmpfs"), disk })
        == 0;
    if (!mounted)
        disk.clear();
    QVERIFY(mounted);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, disk);
    QCoreApplication::setOrganizationName(QStringLiteral("kav"));
    QCoreApplication::setApplicationName(QStringLiteral("kav-run"));
    QCOMPARE(SettingsStore::fileName(), disk + QStringLiteral("/kav/kav-run.conf"));
}

void SettingsStoreTest::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<int>("freePages");
    QTest::addColumn<bool>("saved");
    QTest::newRow("no room at all") << 0 << false;
    // Room for a copy of the old file, not for the new one.
    QTest::newRow("room for the old file") << 2 << false;
    QTest::newRow("room enough") << 8 << true;
}

void SettingsStoreTest::fullDiskKeepsTheOldFile()
{
    QFETCH(int, freePages);
    QFETCH(bool, saved);
    const QString file = SettingsStore::fileName();
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write(oldSettings) == oldSettings.size());
    old.close();
    QFile filler(disk + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(filler.write(QByteArray((16 - 1 - freePages) * 4096, 'x')),
        qint64((16 - 1 - freePages) * 4096));
    filler.close();

    // About three pages, less than the save file's buffer.
    QStringList history;
    for (int entry = 0; entry < 400; ++entry)
        history << QStringLiteral("entry %1 of the history").arg(entry);
    QString error;
    QCOMPARE(
        SettingsStore::change(
            [&](QSettings &settings) { settings.setValue(QStringLiteral("history"), history); },
            &error),
        saved);
    QCOMPARE(error.contains(file), !saved);
    QCOMPARE(SettingsStore::open()->value(QStringLiteral("history")).toStringList(),
        saved ? history : QStringList { QStringLiteral("old") });
    QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden),
        QStringList { QFileInfo(file).fileName() });
    QVERIFY(filler.remove());
}

QTEST_GUILESS_MAIN(SettingsStoreTest)
#include "tst_settingsstore.moc"
