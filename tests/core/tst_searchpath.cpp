// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/searchpath.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

/** The search path su and sudo give the user a command runs as. */
class SearchPathTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void targetSearchPath_data();
    void targetSearchPath();
};

void SearchPathTest::targetSearchPath_data()
{
    QTest::addColumn<QByteArray>("sudoers");
    QTest::addColumn<QByteArray>("folderFiles"); // "name:contents" pairs, separated by "|"
    QTest::addColumn<QByteArray>("loginDefinitions");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QByteArray>("path");

    const QByteArray debianRoot = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
    const QByteArray debianUser = "/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games";
    const QByteArray defs = "ENV_SUPATH\tPATH=/s/bin\n# ENV_PATH PATH=/no\nENV_PATH\tPATH=/u/bin\n";
    const QString sudo = QStringLiteral("sudo");
    const QString su = QStringLiteral("su");
    QTest::newRow("sudo's secure path")
        << QByteArray("Defaults\tenv_reset\nDefaults\tsecure_path=\"/a/sbin:/a/bin\"\n")
        << QByteArray() << defs << QByteArray("root") << sudo << QByteArray("/a/sbin:/a/bin");
    QTest::newRow("among other settings, relative entries left out")
        << QByteArray("Defaults  mail_badpass, secure_path = \"/c/bin:.::bin:/d/bin\"\n")
        << QByteArray() << defs << QByteArray("root") << sudo << QByteArray("/c/bin:/d/bin");
    QTest::newRow("the folder's files, in order, none with a dot")
        << QByteArray("Defaults secure_path=/a/bin\n@includedir /x\n")
        << QByteArray("zz:Defaults secure_path=/z/bin|yy:# none|x.bak:Defaults secure_path=/no")
        << defs << QByteArray("root") << sudo << QByteArray("/z/bin");
    QTest::newRow("defaults for one user only are not everybody's")
        << QByteArray("Defaults:ann secure_path=\"/ann/bin\"\n") << QByteArray() << defs
        << QByteArray("root") << sudo << debianRoot;
    QTest::newRow("sudo's configuration unreadable")
        << QByteArray() << QByteArray() << defs << QByteArray("root") << sudo << debianRoot;
    QTest::newRow("su to root") << QByteArray() << QByteArray() << defs << QByteArray("root") << su
                                << QByteArray("/s/bin");
    QTest::newRow("su to another user, sudo chosen")
        << QByteArray("Defaults secure_path=/a/bin\n") << QByteArray() << defs << QByteArray("ann")
        << sudo << QByteArray("/u/bin");
    QTest::newRow("a value without PATH=")
        << QByteArray() << QByteArray() << QByteArray("ENV_PATH /v/bin:/w/bin") << QByteArray("ann")
        << su << QByteArray("/v/bin:/w/bin");
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray("#ENV_SUPATH /x\n")
                                 << QByteArray("ann") << su << debianUser;
    QTest::newRow("relative entries only")
        << QByteArray() << QByteArray() << QByteArray("ENV_SUPATH PATH=.:bin\n")
        << QByteArray("root") << su << debianRoot;
}

void SearchPathTest::targetSearchPath()
{
    QFETCH(QByteArray, sudoers);
    QFETCH(QByteArray, folderFiles);
    QFETCH(QByteArray, loginDefinitions);
    QFETCH(QByteArray, user);
    QFETCH(QString, tool);
    QFETCH(QByteArray, path);
    const QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const SwitchConfiguration files { directory.filePath(QStringLiteral("sudoers")),
        directory.filePath(QStringLiteral("sudoers.d")),
        directory.filePath(QStringLiteral("login.defs")) };
    QVERIFY(QDir().mkpath(files.sudoersFolder));
    const auto write = [](const QString &name, const QByteArray &contents) {
        QFile file(name);
        return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
    };
    if (!sudoers.isNull())
        QVERIFY(write(files.sudoers, sudoers));
    for (const QByteArray &file : folderFiles.split('|')) {
        if (!file.isEmpty())
            QVERIFY(write(files.sudoersFolder + QLatin1Char('/')
                    + QString::fromLatin1(file.left(file.indexOf(':'))),
                file.mid(file.indexOf(':') + 1)));
    }
    QVERIFY(write(files.loginDefinitions, loginDefinitions));
    QCOMPARE(::targetSearchPath(user, tool, files), path);
}

QTEST_GUILESS_MAIN(SearchPathTest)
#include "tst_searchpath.moc"
