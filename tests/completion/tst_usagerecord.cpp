// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/zerodevice.h"
#include "completion/usagerecord.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

static const qint64 day = 24 * 3600;

class TestUsageRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readsWhatIsIntactOfAFile_data();
    void readsWhatIsIntactOfAFile();
    void runsAreCountedFadedAndBounded();
    void oddFilesAreNeitherReadNorReplaced_data();
    void oddFilesAreNeitherReadNorReplaced();

private:
    QString fileName() const { return folder->filePath(QStringLiteral("data/usage")); }

    std::unique_ptr<QTemporaryDir> folder;
    qint64 now = 0;
};

void TestUsageRecord::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    now = QDateTime::currentSecsSinceEpoch();
}

void TestUsageRecord::readsWhatIsIntactOfAFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<double>("makeScore");
    // The warning expected, as a pattern; empty: none.
    QTest::addColumn<QString>("warning");
    const QByteArray header = "kav-run usage 1\n";
    const QByteArray make =
        "2\t" + QByteArray::number(QDateTime::currentSecsSinceEpoch()) + "\tmake\n";
    QTest::newRow("intact") << header + make << 2.0 << QString();
    QTest::newRow("no final newline") << header + make.chopped(1) << 2.0 << QString();
    QTest::newRow("damaged lines left out")
        << header + "garbage\n1\tsoon\tls\nnan\t0\tls\n-1\t0\tls\n1\t0\t\n" + make
            + QByteArray(20000, 'x') + '\n'
        << 2.0 << QStringLiteral("6 damaged lines");
    QTest::newRow("another file") << "[General]\n" + make << 0.0
                                  << QStringLiteral("does not start");
    QTest::newRow("binary") << QByteArray("\0\xff\xfe\x01\n\n", 6) << 0.0
                            << QStringLiteral("does not start");
    QTest::newRow("empty") << QByteArray() << 0.0 << QStringLiteral("does not start");
}

void TestUsageRecord::readsWhatIsIntactOfAFile()
{
    QFETCH(QByteArray, content);
    QFETCH(double, makeScore);
    QFETCH(QString, warning);
    UsageRecord record(fileName());
    QVERIFY(record.noteRun(QStringLiteral("ls"), now));
    QFile file(fileName());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();

    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    record.load();
    QCOMPARE(qRound(record.score(QStringLiteral("make"), now) * 1000), qRound(makeScore * 1000));
    // What was there before is replaced, damaged or not.
    QCOMPARE(record.score(QStringLiteral("ls"), now), 0.0);
    // Nothing is written by reading.
    QCOMPARE(QFile(fileName()).size(), qint64(content.size()));
}

void TestUsageRecord::runsAreCountedFadedAndBounded()
{
    UsageRecord record(fileName());
    record.load();
    QVERIFY(record.isEmpty());
    QVERIFY(record.noteRun(QStringLiteral("old"), now - 100 * day));
    QVERIFY(record.noteRun(QStringLiteral("  make   -j2 "), now - 14 * day));
    QVERIFY(record.noteRun(QStringLiteral("make -j2"), now));
    // A run two weeks old counts half; one of 100 days ago is forgotten.
    QCOMPARE(record.score(QStringLiteral("make -j2"), now), 1.5);
    QCOMPARE(record.score(QStringLiteral("old"), now), 0.0);
    QCOMPARE(record.score(QStringLiteral("make -j2"), now + 14 * day), 0.75);

    UsageRecord reread(fileName());
    reread.load();
    QCOMPARE(reread.score(QStringLiteral("make -j2"), now), 1.5);

    for (int command = 0; command < 1100; ++command)
        record.noteRun(QStringLiteral("command %1").arg(command), now);
    QFile file(fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().count('\n'), 1001);
    QVERIFY(record.score(QStringLiteral("make -j2"), now) > 0);

    QVERIFY(record.clear());
    QVERIFY(record.isEmpty());
    QVERIFY(!QFile::exists(fileName()));
    QVERIFY(record.clear());
}

void TestUsageRecord::oddFilesAreNeitherReadNorReplaced_data()
{
    QTest::addColumn<bool>("fifo");
    QTest::newRow("FIFO") << true;
    QTest::newRow("link to a zero device") << false;
}

// Reading would wait for a writer, or fill the memory; replacing would lose
// what the user put there.
void TestUsageRecord::oddFilesAreNeitherReadNorReplaced()
{
    QFETCH(bool, fifo);
    QVERIFY(QDir().mkpath(QFileInfo(fileName()).path()));
    QVERIFY(fifo ? mkfifo(QFile::encodeName(fileName()).constData(), 0600) == 0
                 : !linkToZeroDevice(fileName(), folder->path()).isEmpty());
    UsageRecord record(fileName());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not a regular file")));
    record.load();
    QVERIFY(record.isEmpty());

    QString error;
    QVERIFY(!record.noteRun(QStringLiteral("make"), now, &error));
    QVERIFY2(error.contains(fileName()), qPrintable(error));
    QCOMPARE(record.score(QStringLiteral("make"), now), 1.0);
    const QFileInfo left(fileName());
    QCOMPARE(left.isSymLink(), !fifo);
    QVERIFY(!left.isFile());
    // Nor is a half-written file left beside it.
    QCOMPARE(QDir(left.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
        QStringList { left.fileName() });
}

QTEST_GUILESS_MAIN(TestUsageRecord)
#include "tst_usagerecord.moc"
