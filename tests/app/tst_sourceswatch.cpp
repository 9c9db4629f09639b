// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/sourceswatch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class SourcesWatchTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reportsChangesBelowItsFolders_data();
    void reportsChangesBelowItsFolders();
};

using Change = std::function<bool(const QDir &)>;
Q_DECLARE_METATYPE(Change)

static QString in(const QDir &home, const char *path)
{
    return home.filePath(QString::fromLatin1(path));
}

static bool write(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

void SourcesWatchTest::reportsChangesBelowItsFolders_data()
{
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("reported");
    QTest::newRow("nothing") << Change([](const QDir &) { return true; }) << false;
    QTest::newRow("a file rewritten")
        << Change([](const QDir &home) { return write(in(home, "apps/a.desktop")); }) << true;
    QTest::newRow("a file added in a subfolder")
        << Change([](const QDir &home) { return write(in(home, "apps/sub/b.desktop")); }) << true;
    QTest::newRow("a file removed")
        << Change([](const QDir &home) { return QFile::remove(in(home, "apps/a.desktop")); })
        << true;
    QTest::newRow("the missing folder made")
        << Change([](const QDir &home) { return home.mkpath(in(home, "missing/applications")); })
        << true;
    QTest::newRow("a file in another folder")
        << Change([](const QDir &home) { return write(in(home, "other/elsewhere")); }) << false;
}

void SourcesWatchTest::reportsChangesBelowItsFolders()
{
    QFETCH(Change, change);
    QFETCH(bool, reported);
    QTemporaryDir directory;
    const QDir home(directory.path());
    QVERIFY(home.mkpath(in(home, "apps/sub")) && home.mkpath(in(home, "other"))
        && write(in(home, "apps/a.desktop")));
    SourcesWatch watch;
    watch.watch({ in(home, "apps"), in(home, "missing/applications") });
    QVERIFY(!watch.mayHaveChanged());
    QVERIFY(change(home));
    QCOMPARE(watch.mayHaveChanged(), reported);
    // Watched again, the folders are as they are now.
    watch.watch({ in(home, "apps") });
    QVERIFY(!watch.mayHaveChanged());
}

QTEST_APPLESS_MAIN(SourcesWatchTest)
#include "tst_sourceswatch.moc"
