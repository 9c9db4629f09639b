// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/filterexecutablesmodel.h"

#include <QFile>
#include <QFileSystemModel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class FilterExecutablesModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void foldersFirstAndOnlyUserExecutablesChosen();
    void topLevelRowsCanBeChosen();

private:
    void writeFile(const QString &name, QFileDevice::Permissions permissions);

    QTemporaryDir folder;
};

void FilterExecutablesModelTest::writeFile(
    const QString &name, QFileDevice::Permissions permissions)
{
    QFile file(folder.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n");
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

void FilterExecutablesModelTest::initTestCase()
{
    QVERIFY(folder.isValid());
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("zfolder")));
    const auto readWrite = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
        | QFileDevice::WriteUser;
    writeFile(QStringLiteral("atool"), readWrite | QFileDevice::ExeOwner | QFileDevice::ExeUser);
    writeFile(QStringLiteral("notes.txt"), readWrite);
    QVERIFY(QFile::link(
        folder.filePath(QStringLiteral("atool")), folder.filePath(QStringLiteral("link-to-tool"))));
}

// Every entry is listed, folders first; a file the user may not execute is
// shown in brackets here, as it cannot be chosen.
void FilterExecutablesModelTest::foldersFirstAndOnlyUserExecutablesChosen()
{
    QFileSystemModel files;
    QSignalSpy loaded(&files, &QFileSystemModel::directoryLoaded);
    files.setRootPath(folder.path());
    QVERIFY(loaded.wait(5000));

    FilterExecutablesModel executables;
    executables.setSourceModel(&files);
    executables.sort(0);

    const QModelIndex root = executables.mapFromSource(files.index(folder.path()));
    QVERIFY(root.isValid());
    QStringList shown;
    for (int row = 0; row < executables.rowCount(root); ++row) {
        const QModelIndex entry = executables.index(row, 0, root);
        const Qt::ItemFlags flags = executables.flags(entry);
        const bool choosable =
            flags.testFlag(Qt::ItemIsEnabled) && flags.testFlag(Qt::ItemIsSelectable);
        shown.append(choosable ? entry.data().toString()
                               : QLatin1Char('(') + entry.data().toString() + QLatin1Char(')'));
    }
    QCOMPARE(shown,
        QStringList({ QStringLiteral("zfolder"), QStringLiteral("atool"),
            QStringLiteral("link-to-tool"), QStringLiteral("(notes.txt)") }));
}

void FilterExecutablesModelTest::topLevelRowsCanBeChosen()
{
    QFileSystemModel files;
    files.setRootPath(QStringLiteral("/"));
    FilterExecutablesModel executables;
    executables.setSourceModel(&files);
    QVERIFY(executables.rowCount() > 0);
    QVERIFY(executables.flags(executables.index(0, 0)).testFlag(Qt::ItemIsEnabled));
}

QTEST_MAIN(FilterExecutablesModelTest)

#include "tst_filterexecutablesmodel.moc"
