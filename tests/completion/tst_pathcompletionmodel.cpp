// SPDX-License-Identifier: GPL-2.0-or-later
#include "completion/pathcompletionmodel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <dirent.h>
#include <dlfcn.h>

// A folder on a mount that does not answer: opening a folder named
// "kavrun-blocked" waits until a file named like it plus ".release" appears.
extern "C" DIR *opendir(const char *name)
{
    using Opendir = DIR *(*)(const char *);
    static const auto realOpendir = reinterpret_cast<Opendir>(dlsym(RTLD_NEXT, "opendir"));
    const QByteArray path(name);
    if (path.endsWith("kavrun-blocked") || path.endsWith("kavrun-blocked/")) {
        const QByteArray release = path.chopped(path.endsWith('/') ? 1 : 0) + ".release";
        while (!QFile::exists(QFile::decodeName(release)))
            QThread::msleep(10);
    }
    return realOpendir(name);
}

static QStringList shownNames(const PathCompletionModel &model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.index(row).data().toString());
    return names;
}

class PathCompletionModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void offersTheFolderEntries_data();
    void offersTheFolderEntries();
    void unreachableFolderBlocksNothing();

private:
    QTemporaryDir sandbox;
};

void PathCompletionModelTest::initTestCase()
{
    QVERIFY(sandbox.isValid());
    const QDir root(sandbox.path());
    for (const char *folder :
        { "tree/share", "tree/Sharp", "tree/.config", "home/notes", "kavrun-blocked/inside" })
        QVERIFY(root.mkpath(QLatin1String(folder)));
    for (const char *file : { "tree/shell.sh", "tree/.hidden", "home/todo.txt" }) {
        QFile created(root.filePath(QLatin1String(file)));
        QVERIFY(created.open(QIODevice::WriteOnly));
    }
    QVERIFY(QFile::link(root.filePath(QStringLiteral("tree/share")),
        root.filePath(QStringLiteral("tree/shortcut"))));
    qputenv("HOME", QFile::encodeName(root.filePath(QStringLiteral("home"))));
    QVERIFY(QDir::setCurrent(root.filePath(QStringLiteral("tree"))));
}

void PathCompletionModelTest::offersTheFolderEntries_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("firstCompletion");
    const QString tree = sandbox.filePath(QStringLiteral("tree"));
    const QStringList sh = { QStringLiteral("share/"), QStringLiteral("shell.sh"),
        QStringLiteral("shortcut/") };
    QTest::newRow("absolute") << tree + QStringLiteral("/sh") << sh
                              << tree + QStringLiteral("/share/");
    QTest::newRow("an argument") << QStringLiteral("cat ") + tree + QStringLiteral("/sh") << sh
                                 << QStringLiteral("cat ") + tree + QStringLiteral("/share/");
    QTest::newRow("whole folder, hidden left out")
        << tree + QLatin1Char('/')
        << QStringList { QStringLiteral("share/"), QStringLiteral("Sharp/"),
               QStringLiteral("shell.sh"), QStringLiteral("shortcut/") }
        << tree + QStringLiteral("/share/");
    QTest::newRow("hidden after a dot")
        << tree + QStringLiteral("/.")
        << QStringList { QStringLiteral(".config/"), QStringLiteral(".hidden") }
        << tree + QStringLiteral("/.config/");
    QTest::newRow("case matters") << tree + QStringLiteral("/Sh")
                                  << QStringList { QStringLiteral("Sharp/") }
                                  << tree + QStringLiteral("/Sharp/");
    QTest::newRow("home") << QStringLiteral("~/")
                          << QStringList { QStringLiteral("notes/"), QStringLiteral("todo.txt") }
                          << QStringLiteral("~/notes/");
    QTest::newRow("current folder")
        << QStringLiteral("./she") << QStringList { QStringLiteral("shell.sh") }
        << QStringLiteral("./shell.sh");
    QTest::newRow("file named in full")
        << QStringLiteral("./shell.sh") << QStringList() << QString();
    QTest::newRow("folder named in full")
        << tree + QStringLiteral("/share") << QStringList { QStringLiteral("share/") }
        << tree + QStringLiteral("/share/");
    QTest::newRow("no such folder")
        << QStringLiteral("/kavrun-nowhere/") << QStringList() << QString();
    QTest::newRow("a command word") << QStringLiteral("sh") << QStringList() << QString();
    QTest::newRow("tilde alone") << QStringLiteral("~") << QStringList() << QString();
}

void PathCompletionModelTest::offersTheFolderEntries()
{
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    QFETCH(QString, firstCompletion);
    PathCompletionModel model;
    model.setText(text, text.size());
    QTRY_COMPARE(shownNames(model), names);
    QCOMPARE(model.index(0).data(Qt::EditRole).toString(), firstCompletion);
}

void PathCompletionModelTest::unreachableFolderBlocksNothing()
{
    const QString blocked = sandbox.filePath(QStringLiteral("kavrun-blocked/"));
    PathCompletionModel model;
    model.setText(blocked, blocked.size());
    QCOMPARE(model.rowCount(), 0);

    // Other folders still complete while that one hangs.
    PathCompletionModel other;
    const QString home = QStringLiteral("cat ~/");
    other.setText(home, home.size());
    QTRY_COMPARE(other.rowCount(), 2);
    QCOMPARE(model.rowCount(), 0);

    QFile release(sandbox.filePath(QStringLiteral("kavrun-blocked.release")));
    QVERIFY(release.open(QIODevice::WriteOnly));
    QTRY_COMPARE(shownNames(model), QStringList { QStringLiteral("inside/") });
}

QTEST_MAIN(PathCompletionModelTest)
#include "tst_pathcompletionmodel.moc"
