// SPDX-License-Identifier: GPL-2.0-or-later
#include "su/xdisplayauthority.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

static void restoreVariable(const char *name, const QByteArray &value)
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

class XDisplayAuthorityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void unsetDisplayRunsNothing();
    void fakeXauthOutput_data();
    void fakeXauthOutput();
    void missingXauth();
    void realXauth_data();
    void realXauth();

private:
    // An xauth that files its arguments and prints what it is told to.
    void installFakeXauth(const QByteArray &output);
    QByteArray fakeXauthArguments() const;

    QTemporaryDir directory;
    QByteArray savedPath;
    QByteArray savedDisplay;
    QByteArray savedAuthority;
};

void XDisplayAuthorityTest::init()
{
    QVERIFY(directory.isValid());
    savedPath = qgetenv("PATH");
    savedDisplay = qgetenv("DISPLAY");
    savedAuthority = qgetenv("XAUTHORITY");
}

void XDisplayAuthorityTest::cleanup()
{
    restoreVariable("PATH", savedPath);
    restoreVariable("DISPLAY", savedDisplay);
    restoreVariable("XAUTHORITY", savedAuthority);
    QFile::remove(directory.filePath(QStringLiteral("arguments")));
    QFile::remove(directory.filePath(QStringLiteral("xauth")));
}

void XDisplayAuthorityTest::installFakeXauth(const QByteArray &output)
{
    QFile script(directory.filePath(QStringLiteral("xauth")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\necho \"$@\" > '" + QFile::encodeName(directory.path())
        + "/arguments'\nprintf '" + output + "'\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("PATH", QFile::encodeName(directory.path()) + ':' + savedPath);
}

QByteArray XDisplayAuthorityTest::fakeXauthArguments() const
{
    QFile file(directory.filePath(QStringLiteral("arguments")));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll().trimmed();
}

void XDisplayAuthorityTest::unsetDisplayRunsNothing()
{
    installFakeXauth("host/unix:0  MIT-MAGIC-COOKIE-1  00ff\\n");
    for (const bool unset : { true, false }) {
        if (unset)
            qunsetenv("DISPLAY");
        else
            qputenv("DISPLAY", QByteArray());
        XDisplayAuthority authority;
        authority.readDisplayAuthority();
        QVERIFY(authority.displayName.isEmpty());
        QVERIFY(authority.authorityLine.isEmpty());
        QCOMPARE(fakeXauthArguments(), QByteArray());
    }
}

void XDisplayAuthorityTest::fakeXauthOutput_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QByteArray>("lookupArguments");
    QTest::addColumn<QByteArray>("authorityLine");

    const QByteArray entry = "host/unix:5  MIT-MAGIC-COOKIE-1  00112233445566778899aabbccddeeff\\n";
    const QByteArray line = "MIT-MAGIC-COOKIE-1 00112233445566778899aabbccddeeff";
    // -i: the entry is read without waiting for the file's lock.
    QTest::newRow("one entry") << QByteArray(":5") << entry << QByteArray("-i list :5") << line;
    QTest::newRow("localhost") << QByteArray("localhost:5") << entry << QByteArray("-i list :5")
                               << line;
    QTest::newRow("other host") << QByteArray("remote:5.0") << entry
                                << QByteArray("-i list remote:5.0") << line;
    // As GNOME's XWayland files its cookie: for the host and for any host.
    QTest::newRow("one key twice")
        << QByteArray(":5")
        << entry + "#ffff#766d#:  MIT-MAGIC-COOKIE-1  00112233445566778899aabbccddeeff\\n"
        << QByteArray("-i list :5") << line;
    QTest::newRow("two keys") << QByteArray(":5")
                              << entry + "#ffff#:  MIT-MAGIC-COOKIE-1  ffeeddccbbaa998877\\n"
                              << QByteArray("-i list :5") << QByteArray();
    QTest::newRow("no entry") << QByteArray(":5") << QByteArray() << QByteArray("-i list :5")
                              << QByteArray();
    QTest::newRow("two fields") << QByteArray(":5")
                                << QByteArray("host/unix:5 MIT-MAGIC-COOKIE-1\\n")
                                << QByteArray("-i list :5") << QByteArray();
    // Only the first 255 bytes are read: a key cut there is still taken as it came.
    QTest::newRow("long") << QByteArray(":5") << "host/unix:5 PROTO " + QByteArray(300, 'a')
                          << QByteArray("-i list :5") << "PROTO " + QByteArray(255 - 18, 'a');
    // No shell reads the display's name.
    const QByteArray injection = ":5;touch '" + QFile::encodeName(directory.path()) + "/ran'";
    QTest::newRow("shell syntax") << injection << entry << "-i list " + injection << line;
}

void XDisplayAuthorityTest::fakeXauthOutput()
{
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, output);
    QFETCH(QByteArray, lookupArguments);
    QFETCH(QByteArray, authorityLine);
    installFakeXauth(output);
    qputenv("DISPLAY", display);

    XDisplayAuthority authority;
    authority.readDisplayAuthority();
    QCOMPARE(authority.displayName, display);
    QCOMPARE(authority.authorityLine, authorityLine);
    QCOMPARE(fakeXauthArguments(), lookupArguments);
    QVERIFY(!QFile::exists(directory.filePath(QStringLiteral("ran"))));
}

void XDisplayAuthorityTest::missingXauth()
{
    qputenv("PATH", QFile::encodeName(directory.path()));
    qputenv("DISPLAY", ":5");
    XDisplayAuthority authority;
    authority.readDisplayAuthority();
    QCOMPARE(authority.displayName, QByteArray(":5"));
    QCOMPARE(authority.authorityLine, QByteArray());
}

void XDisplayAuthorityTest::realXauth_data()
{
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<bool>("staleLock");
    QTest::newRow("plain") << QByteArray(":47") << false;
    QTest::newRow("localhost") << QByteArray("localhost:47") << false;
    // Left by an xauth that crashed; waiting for it would take 20 s and find nothing.
    QTest::newRow("stale lock") << QByteArray(":47") << true;
}

void XDisplayAuthorityTest::realXauth()
{
    QFETCH(QByteArray, display);
    QFETCH(bool, staleLock);
    const QString authorityFile = directory.filePath(QStringLiteral("Xauthority"));
    const QString cookie = QStringLiteral("8899aabbccddeeff0011223344556677");
    QCOMPARE(QProcess::execute(QStringLiteral("xauth"),
                 { QStringLiteral("-f"), authorityFile, QStringLiteral("add"),
                     QStringLiteral(":47"), QStringLiteral("MIT-MAGIC-COOKIE-1"), cookie }),
        0);
    QFile lock(authorityFile + QStringLiteral("-c"));
    QVERIFY(!staleLock || lock.open(QIODevice::WriteOnly));
    qputenv("XAUTHORITY", QFile::encodeName(authorityFile));
    qputenv("DISPLAY", display);

    XDisplayAuthority authority;
    authority.readDisplayAuthority();
    QCOMPARE(authority.displayName, display);
    QCOMPARE(authority.authorityLine, "MIT-MAGIC-COOKIE-1 " + cookie.toLatin1());
    lock.remove();
}

QTEST_GUILESS_MAIN(XDisplayAuthorityTest)
#include "tst_xdisplayauthority.moc"
