// SPDX-License-Identifier: GPL-2.0-or-later
#include "completion/pathexecsmodel.h"
#include "fakesearchpath.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QIcon>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

class TestPathExecsModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void repeatedDirectoriesScannedOnce();
    void trailingSlashIsAnotherDirectory();
    void firstDirectoryWins();
    void excludedNamesAreNotListed();
    void sortedByCodeUnits();
    void emptyComponentsAndUnsetPath();
    void unopenableDirectoriesContributeNothing();
    void nonExecutablesLeaveInOneLayoutChange();
    void onlyMatchedNamesAreTested();
    void rowsFollowRandomHiding();
    void directoryChangeResetsModel();
    void dataRoles();
};

static QStringList rows(const QAbstractItemModel &model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.data(model.index(row, 0)).toString());
    return names;
}

static QStringList watchedDirectories(const PathExecsModel &model)
{
    const auto *watcher = model.findChild<QFileSystemWatcher *>();
    return watcher ? watcher->directories() : QStringList();
}

void TestPathExecsModel::repeatedDirectoriesScannedOnce()
{
    FakeSearchPath fake;
    const QString usr = fake.directory(QStringLiteral("usr-bin"));
    const QString bin = fake.directory(QStringLiteral("bin"));
    fake.addProgram(usr, QStringLiteral("ls"));
    fake.addProgram(bin, QStringLiteral("sh"));
    FakeSearchPath::setSearchPath({ usr, bin, usr });

    PathExecsModel model({}, nullptr);
    QCOMPARE(rows(model), QStringList({ QStringLiteral("ls"), QStringLiteral("sh") }));
    QStringList watched = watchedDirectories(model);
    watched.sort();
    QCOMPARE(watched, QStringList({ bin, usr }));
}

void TestPathExecsModel::trailingSlashIsAnotherDirectory()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    fake.addProgram(dir, QStringLiteral("tool"));
    const QString slashed = dir + QLatin1Char('/');
    FakeSearchPath::setSearchPath({ dir, slashed });

    PathExecsModel model({}, nullptr);
    QCOMPARE(rows(model), QStringList(QStringLiteral("tool")));
    QStringList watched = watchedDirectories(model);
    watched.sort();
    QCOMPARE(watched, QStringList({ dir, slashed }));
}

void TestPathExecsModel::firstDirectoryWins()
{
    FakeSearchPath fake;
    const QString first = fake.directory(QStringLiteral("first"));
    const QString second = fake.directory(QStringLiteral("second"));
    fake.addProgram(first, QStringLiteral("tool"), false);
    fake.addProgram(second, QStringLiteral("tool"), true);
    fake.addProgram(second, QStringLiteral("other"), true);
    FakeSearchPath::setSearchPath({ first, second });

    PathExecsModel model({}, nullptr);
    QCOMPARE(rows(model), QStringList({ QStringLiteral("other"), QStringLiteral("tool") }));
    // The file of the first directory decides, though a later one is executable.
    model.matchExecutables(QStringLiteral("t"));
    QCOMPARE(rows(model), QStringList(QStringLiteral("other")));
}

void TestPathExecsModel::excludedNamesAreNotListed()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    fake.addProgram(dir, QStringLiteral("make"));
    fake.addProgram(dir, QStringLiteral("man"));
    fake.addProgram(dir, QStringLiteral("Make"));
    FakeSearchPath::setSearchPath({ dir });

    PathExecsModel model({ QStringLiteral("make"), QStringLiteral("ls -l") }, nullptr);
    QCOMPARE(rows(model), QStringList({ QStringLiteral("Make"), QStringLiteral("man") }));
}

void TestPathExecsModel::sortedByCodeUnits()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    const QStringList names = { QStringLiteral("zeta"), QStringLiteral("beta"),
        QStringLiteral("_under"), QStringLiteral("Alpha"), QStringLiteral("9lives"),
        QStringLiteral("\u00e9clair"), QStringLiteral("Zulu") };
    for (const QString &name : names)
        fake.addProgram(dir, name);
    FakeSearchPath::setSearchPath({ dir });

    PathExecsModel model({}, nullptr);
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("9lives"), QStringLiteral("Alpha"), QStringLiteral("Zulu"),
            QStringLiteral("_under"), QStringLiteral("beta"), QStringLiteral("zeta"),
            QStringLiteral("\u00e9clair") }));
}

void TestPathExecsModel::emptyComponentsAndUnsetPath()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    const QString current = fake.directory(QStringLiteral("current"));
    fake.addProgram(dir, QStringLiteral("tool"));
    fake.addProgram(current, QStringLiteral("here"));
    const QString savedCurrent = QDir::currentPath();
    QDir::setCurrent(current);

    // An empty part does not stand for the current directory.
    FakeSearchPath::setSearchPath({ QString(), dir, QString(), QString() });
    {
        PathExecsModel model({}, nullptr);
        QCOMPARE(rows(model), QStringList(QStringLiteral("tool")));
        QCOMPARE(watchedDirectories(model), QStringList(dir));
    }
    FakeSearchPath::unsetSearchPath();
    {
        PathExecsModel model({}, nullptr);
        QCOMPARE(model.rowCount(), 0);
        model.matchExecutables(QString());
        QCOMPARE(model.rowCount(), 0);
    }
    QDir::setCurrent(savedCurrent);
}

void TestPathExecsModel::unopenableDirectoriesContributeNothing()
{
    FakeSearchPath fake;
    const QString readable = fake.directory(QStringLiteral("readable"));
    const QString closed = fake.directory(QStringLiteral("closed"));
    fake.addProgram(readable, QStringLiteral("open"));
    fake.addProgram(closed, QStringLiteral("secret"));
    fake.addProgram(readable, QStringLiteral("notadir"));
    QFile::setPermissions(closed, {});
    const auto open =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(QFileInfo(readable).path(), open);
    QFile::setPermissions(readable, open);
    FakeSearchPath::setSearchPath({ readable + QStringLiteral("/missing"), closed,
        readable + QStringLiteral("/notadir"), readable });

    // root reads any directory: scan as nobody to meet a real permission refusal.
    const bool root = geteuid() == 0;
    if (root)
        QVERIFY(setegid(65534) == 0 && seteuid(65534) == 0);
    PathExecsModel model({}, nullptr);
    if (root)
        QVERIFY(seteuid(0) == 0 && setegid(0) == 0);
    QCOMPARE(rows(model), QStringList({ QStringLiteral("notadir"), QStringLiteral("open") }));
}

void TestPathExecsModel::nonExecutablesLeaveInOneLayoutChange()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    fake.addProgram(dir, QStringLiteral("aa"));
    fake.addProgram(dir, QStringLiteral("ab"), false);
    fake.addProgram(dir, QStringLiteral("ac"));
    fake.addProgram(dir, QStringLiteral("ad"), false);
    fake.addProgram(dir, QStringLiteral("b1"), false);
    fake.addProgram(dir, QStringLiteral("c"));
    QFile::link(dir + QStringLiteral("/nowhere"), dir + QStringLiteral("/cbroken"));
    FakeSearchPath::setSearchPath({ dir });

    PathExecsModel model({}, nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.rowCount(), 7);
    QSignalSpy aboutToChange(&model, &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy changed(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    const QPersistentModelIndex keptAc = model.index(2, 0);
    const QPersistentModelIndex hiddenAd = model.index(3, 0);
    const QPersistentModelIndex keptC = model.index(5, 0);

    // Two names that fail, apart from each other: one announcement for both.
    model.matchExecutables(QStringLiteral("a"));
    QCOMPARE(aboutToChange.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("aa"), QStringLiteral("ac"), QStringLiteral("b1"),
            QStringLiteral("c"), QStringLiteral("cbroken") }));
    QCOMPARE(keptAc.row(), 1);
    QCOMPARE(keptAc.data().toString(), QStringLiteral("ac"));
    QVERIFY(!hiddenAd.isValid());
    QCOMPARE(keptC.row(), 3);

    // Testing the same names again announces nothing; the rows that remain match.
    const QVector<Match> matches = model.matchExecutables(QStringLiteral("a"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(matches.size(), 2);
    QVERIFY(matches.at(1) == (Match { 1, MatchClass::Start }));

    // A dangling link fails the test; nothing typed tests nothing.
    model.matchExecutables(QStringLiteral("c"));
    model.matchExecutables(QString());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("aa"), QStringLiteral("ac"), QStringLiteral("b1"),
            QStringLiteral("c") }));
    QCOMPARE(keptC.row(), 3);
    QCOMPARE(removed.count(), 0);
}

void TestPathExecsModel::onlyMatchedNamesAreTested()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    fake.addProgram(dir, QStringLiteral("data"), false);
    FakeSearchPath::setSearchPath({ dir });

    PathExecsModel model({}, nullptr);
    QSignalSpy changed(&model, &QAbstractItemModel::layoutChanged);
    model.matchExecutables(QStringLiteral("zzz"));
    model.matchExecutables(QStringLiteral("A"));
    model.matchExecutables(QStringLiteral("datab"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(model.rowCount(), 1);
    // A name matched inside a word is tested too.
    QVERIFY(model.matchExecutables(QStringLiteral("ata")).isEmpty());
    QCOMPARE(model.rowCount(), 0);
}

void TestPathExecsModel::rowsFollowRandomHiding()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    QStringList executables;
    QRandomGenerator random(7);
    const QString letters = QStringLiteral("abcdef");
    for (int i = 0; i < 300; ++i) {
        const QString name = letters.at(i % letters.size()) + QString::number(1000 + i);
        const bool executable = random.bounded(2) == 0;
        fake.addProgram(dir, name, executable);
        if (executable)
            executables.append(name);
    }
    executables.sort();
    FakeSearchPath::setSearchPath({ dir });

    PathExecsModel model({}, nullptr);
    for (const QChar letter : QStringLiteral("dafbce"))
        model.matchExecutables(QString(letter));
    QCOMPARE(rows(model), executables);
    QVERIFY(!model.data(model.index(executables.size(), 0)).isValid());
}

void TestPathExecsModel::directoryChangeResetsModel()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    fake.addProgram(dir, QStringLiteral("data"), false);
    fake.addProgram(dir, QStringLiteral("tool"));
    FakeSearchPath::setSearchPath({ dir });

    PathExecsModel model({}, nullptr);
    model.matchExecutables(QStringLiteral("d"));
    QCOMPARE(rows(model), QStringList(QStringLiteral("tool")));

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    fake.addProgram(dir, QStringLiteral("fresh"));
    QVERIFY(reset.wait(5000));
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("data"), QStringLiteral("fresh"), QStringLiteral("tool") }));
}

void TestPathExecsModel::dataRoles()
{
    FakeSearchPath fake;
    const QString dir = fake.directory(QStringLiteral("bin"));
    fake.addProgram(dir, QStringLiteral("tool"));
    FakeSearchPath::setSearchPath({ dir });

    PathExecsModel model({}, nullptr);
    const QModelIndex index = model.index(0, 0);
    QCOMPARE(model.data(index, Qt::EditRole).toString(), QStringLiteral("tool"));
    QCOMPARE(model.data(index, Qt::DecorationRole).userType(), qMetaTypeId<QIcon>());
    QVERIFY(!model.data(index, Qt::ToolTipRole).isValid());
    QVERIFY(!model.data(QModelIndex()).isValid());
    QCOMPARE(model.rowCount(index), 0);
}

QTEST_GUILESS_MAIN(TestPathExecsModel)
#include "tst_pathexecsmodel.moc"
