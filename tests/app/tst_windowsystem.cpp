// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/windowsystem.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class WindowSystemTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void decidedAsQt_data();
    void decidedAsQt();

private:
    QTemporaryDir m_runtime;
    int m_compositor = -1;
};

// A socket named "wayland-1" listens in the runtime folder, as a compositor's
// does; "wayland-0" is left behind by one that ended. Qt's plugin for Wayland
// is found, whether installed or not.
void WindowSystemTest::initTestCase()
{
    QVERIFY(m_runtime.isValid());
    QVERIFY(QDir(m_runtime.path()).mkpath(QStringLiteral("plugins/platforms")));
    QVERIFY(QFile(m_runtime.filePath(QStringLiteral("plugins/platforms/libqwayland-generic.so")))
                .open(QIODevice::WriteOnly));
    qputenv("QT_PLUGIN_PATH", QFile::encodeName(m_runtime.filePath(QStringLiteral("plugins"))));
    QVERIFY(QFile(m_runtime.filePath(QStringLiteral("wayland-0"))).open(QIODevice::WriteOnly));
    m_compositor = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(m_runtime.filePath(QStringLiteral("wayland-1")));
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    QVERIFY(bind(m_compositor, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
    QVERIFY(listen(m_compositor, 8) == 0);
}

void WindowSystemTest::cleanupTestCase()
{
    close(m_compositor);
}

void WindowSystemTest::decidedAsQt_data()
{
    QTest::addColumn<QByteArray>("platform");
    QTest::addColumn<QByteArray>("sessionType");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArrayList>("options");
    QTest::addColumn<QByteArray>("identifier");

    const QByteArray socket = QFile::encodeName(m_runtime.filePath(QStringLiteral("wayland-1")));
    const QByteArray wayland1 = "kav-run@wayland:" + socket;
    const QByteArrayList none;
    QTest::newRow("local") << QByteArray() << QByteArray() << QByteArray() << QByteArray(":0")
                           << none << QByteArray("kav-run@:0");
    QTest::newRow("screen dropped") << QByteArray("xcb") << QByteArray() << QByteArray()
                                    << QByteArray(":0.1") << none << QByteArray("kav-run@:0");
    QTest::newRow("local through unix")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray("unix:12.0") << none
        << QByteArray("kav-run@:12");
    QTest::newRow("over TCP to this host")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray("localhost:10.0") << none
        << QByteArray("kav-run@localhost:10");
    QTest::newRow("another host") << QByteArray() << QByteArray() << QByteArray()
                                  << QByteArray("host.example:0.2") << none
                                  << QByteArray("kav-run@host.example:0");
    QTest::newRow("the toolkit's -display wins")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray(":0")
        << QByteArrayList { "-display", ":3", "--display", ":7.0" } << QByteArray("kav-run@:7");
    QTest::newRow("no display") << QByteArray() << QByteArray() << QByteArray("wayland-1")
                                << QByteArray() << none << QByteArray("kav-run@");
    QTest::newRow("another platform")
        << QByteArray("offscreen") << QByteArray("wayland") << QByteArray() << QByteArray(":0")
        << none << QByteArray("kav-run@offscreen");
    QTest::newRow("platform with options")
        << QByteArray("Offscreen:foo=1") << QByteArray() << QByteArray() << QByteArray() << none
        << QByteArray("kav-run@Offscreen");

    // A Wayland session: Wayland when its compositor answers, else X11.
    QTest::newRow("Wayland session")
        << QByteArray() << QByteArray("wayland") << QByteArray("wayland-1") << QByteArray(":0")
        << none << wayland1;
    QTest::newRow("socket given as a path")
        << QByteArray() << QByteArray("wayland") << socket << QByteArray() << none << wayland1;
    QTest::newRow("compositor gone") << QByteArray() << QByteArray("wayland") << QByteArray()
                                     << QByteArray(":0") << none << QByteArray("kav-run@:0");
    QTest::newRow("empty socket name") << QByteArray() << QByteArray("wayland") << QByteArray("")
                                       << QByteArray(":0") << none << QByteArray("kav-run@:0");
    QTest::newRow("session type compared exactly")
        << QByteArray() << QByteArray("Wayland") << QByteArray("wayland-1") << QByteArray(":0")
        << none << QByteArray("kav-run@:0");
    QTest::newRow("X11 chosen in a Wayland session")
        << QByteArray("xcb") << QByteArray("wayland") << QByteArray("wayland-1") << QByteArray(":0")
        << none << QByteArray("kav-run@:0");
    QTest::newRow("Wayland chosen in an X11 session")
        << QByteArray("Wayland") << QByteArray("x11") << QByteArray("wayland-1") << QByteArray(":0")
        << none << wayland1;
    QTest::newRow("list falls back")
        << QByteArray("wayland-egl;xcb") << QByteArray() << QByteArray("wayland-9")
        << QByteArray(":0") << none << QByteArray("kav-run@:0");
    QTest::newRow("no plugin for it")
        << QByteArray("wayland-nonesuch;xcb") << QByteArray() << QByteArray("wayland-1")
        << QByteArray(":0") << none << QByteArray("kav-run@:0");
    QTest::newRow("-platform wins")
        << QByteArray("xcb") << QByteArray() << QByteArray("wayland-1") << QByteArray(":0")
        << QByteArrayList { "-platform", "xcb", "--platform", "wayland" } << wayland1;
}

void WindowSystemTest::decidedAsQt()
{
    QFETCH(QByteArray, platform);
    QFETCH(QByteArray, sessionType);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(QByteArray, display);
    QFETCH(QByteArrayList, options);
    QFETCH(QByteArray, identifier);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    const auto set = [](const char *name, const QByteArray &value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    set("QT_QPA_PLATFORM", platform);
    set("XDG_SESSION_TYPE", sessionType);
    set("WAYLAND_DISPLAY", waylandDisplay);
    set("DISPLAY", display);
    QByteArrayList words = QByteArrayList { "kav-run" } + options;
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    const WindowSystem system = WindowSystem::of(int(words.size()), argv.data());
    QCOMPARE(QByteArray::fromStdString(system.instanceIdentifier()), identifier);
    QCOMPARE(system.platform == WindowSystem::NoWindowSystem, identifier == "kav-run@");
}

QTEST_APPLESS_MAIN(WindowSystemTest)
#include "tst_windowsystem.moc"
