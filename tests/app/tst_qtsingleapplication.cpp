// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/instanceserver.h"
#include "app/qtsingleapplication.h"
#include "childprogram.h"

#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

static const char selfIdentifier[] = "tst-qtsingleapplication";

static int connectTo(const QString &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

static bool closedByPeer(int fd)
{
    pollfd readable { fd, POLLIN, 0 };
    char byte;
    return poll(&readable, 1, 0) > 0 && recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
}

// This test process is itself the first instance of selfIdentifier; probe
// programs play the other instances.
class QtSingleApplicationTest : public QObject
{
    Q_OBJECT

public:
    QtSingleApplicationTest(QtSingleApplication &app, const QProcessEnvironment &environment)
        : m_app(app)
        , m_environment(environment)
    { }

private Q_SLOTS:
    void firstInstanceIsPrimary();
    void messageActivatesTheWindow();
    void messageWithoutActivation();
    void hiddenWindowIsActiveFromItsFirstFrame();
    void secondStartHandsOverItsMessage();
    void identifiersAreIndependent();
    void killedInstanceDoesNotBlockTheNextStart();
    void simultaneousStartsGiveOnePrimary();
    void unsafeRuntimeDirectoryIsNotUsed();
    void otherUsersHaveTheirOwnInstance();
    void connectionsAreBounded();

private:
    std::unique_ptr<ChildProgram> startProbe(
        const QString &identifier, const QString &message = QString());
    static QString probe() { return builtProgram(QStringLiteral("tests/app/singleinstanceprobe")); }

    QtSingleApplication &m_app;
    QProcessEnvironment m_environment;
};

std::unique_ptr<ChildProgram> QtSingleApplicationTest::startProbe(
    const QString &identifier, const QString &message)
{
    auto program = std::make_unique<ChildProgram>(m_environment);
    QStringList arguments { identifier };
    if (!message.isEmpty())
        arguments.append(message);
    program->start(probe(), arguments);
    return program;
}

void QtSingleApplicationTest::firstInstanceIsPrimary()
{
    QVERIFY(!m_app.isRunning());
    QCOMPARE(m_app.id(), QLatin1String(selfIdentifier));
}

void QtSingleApplicationTest::messageActivatesTheWindow()
{
    QWidget window;
    m_app.setActivationWindow(&window);
    window.showMinimized();
    QSignalSpy received(&m_app, &QtSingleApplication::messageReceived);

    auto second = startProbe(QLatin1String(selfIdentifier));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toString(), QStringLiteral("raise"));
    QVERIFY(second->waitForLine(QStringLiteral("delivered")));
    QCOMPARE(second->waitForExit(), 1);
    QVERIFY(window.isVisible());
    QVERIFY(!(window.windowState() & Qt::WindowMinimized));
}

void QtSingleApplicationTest::messageWithoutActivation()
{
    auto window = std::make_unique<QWidget>();
    m_app.setActivationWindow(window.get(), false);
    QSignalSpy received(&m_app, &QtSingleApplication::messageReceived);

    auto second = startProbe(QLatin1String(selfIdentifier), QStringLiteral("hello world"));
    QTRY_COMPARE(received.count(), 1);
    QCOMPARE(received.first().first().toString(), QStringLiteral("hello world"));
    QVERIFY(!window->isVisible());

    // A deleted activation window is forgotten, not used.
    window.reset();
    QVERIFY(!m_app.activationWindow());
    m_app.activateWindow();
}

void QtSingleApplicationTest::hiddenWindowIsActiveFromItsFirstFrame()
{
    QWidget window;
    new QLineEdit(&window);
    // Not the first in the focus chain: the focus given before showing stays.
    auto *field = new QLineEdit(&window);
    field->setFocus();
    m_app.setActivationWindow(&window, false);

    // Before the window system has answered: the first paint shows the focused field.
    m_app.activateWindow();
    QCOMPARE(QApplication::activeWindow(), &window);
    QVERIFY(field->hasFocus());
}

void QtSingleApplicationTest::secondStartHandsOverItsMessage()
{
    auto first = startProbe(QStringLiteral("probe"));
    QVERIFY(first->waitForLine(QStringLiteral("primary")));
    auto second = startProbe(QStringLiteral("probe"), QStringLiteral("raise"));
    QVERIFY(second->waitForLine(QStringLiteral("delivered")));
    QCOMPARE(second->waitForExit(), 1);
    QVERIFY(first->waitForLine(QStringLiteral("message raise")));

    auto third = startProbe(QStringLiteral("probe"), QStringLiteral("quit"));
    QVERIFY(third->waitForLine(QStringLiteral("delivered")));
    QCOMPARE(first->waitForExit(), 0);
}

void QtSingleApplicationTest::identifiersAreIndependent()
{
    auto first = startProbe(QStringLiteral("probe-a"));
    auto second = startProbe(QStringLiteral("probe-b"));
    QVERIFY(first->waitForLine(QStringLiteral("primary")));
    QVERIFY(second->waitForLine(QStringLiteral("primary")));
}

void QtSingleApplicationTest::killedInstanceDoesNotBlockTheNextStart()
{
    auto first = startProbe(QStringLiteral("probe"));
    QVERIFY(first->waitForLine(QStringLiteral("primary")));
    first->kill();

    auto next = startProbe(QStringLiteral("probe"));
    QVERIFY(next->waitForLine(QStringLiteral("primary")));
    auto later = startProbe(QStringLiteral("probe"));
    QVERIFY(later->waitForLine(QStringLiteral("delivered")));
    QVERIFY(next->waitForLine(QStringLiteral("message raise")));

    // Killed while it made its lock file, a start leaves the file empty.
    next->kill();
    QFile lock(
        m_environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/probe.lock"));
    QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(lock.setFileTime(
        QDateTime::currentDateTime().addSecs(-10), QFileDevice::FileModificationTime));
    lock.close();
    auto afterEmptyLock = startProbe(QStringLiteral("probe"));
    QVERIFY(afterEmptyLock->waitForLine(QStringLiteral("primary")));
}

void QtSingleApplicationTest::simultaneousStartsGiveOnePrimary()
{
    for (int round = 0; round < 3; ++round) {
        const QString identifier = QStringLiteral("race-%1").arg(round);
        std::vector<std::unique_ptr<ChildProgram>> probes;
        for (int i = 0; i < 5; ++i)
            probes.push_back(startProbe(identifier));
        int primaries = 0;
        int delivered = 0;
        for (auto &program : probes) {
            const QString outcome =
                program->waitForAnyLine({ QStringLiteral("primary"), QStringLiteral("delivered") });
            primaries += outcome == QLatin1String("primary");
            delivered += outcome == QLatin1String("delivered");
        }
        QCOMPARE(primaries, 1);
        QCOMPARE(delivered, 4);
    }
}

void QtSingleApplicationTest::unsafeRuntimeDirectoryIsNotUsed()
{
    // A runtime directory that others may write to is passed over for a
    // private folder in the user's cache directory, which no other user can
    // make first, as one can below /tmp.
    QTemporaryDir shared;
    QVERIFY(chmod(QFile::encodeName(shared.path()).constData(), 0777) == 0);
    QProcessEnvironment environment = m_environment;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), shared.path());
    const QString identifier = QStringLiteral("tst-unsafe");

    ChildProgram first(environment);
    first.start(probe(), { identifier });
    QVERIFY(first.waitForLine(QStringLiteral("primary")));
    ChildProgram second(environment);
    second.start(probe(), { identifier });
    QVERIFY(second.waitForLine(QStringLiteral("delivered")));
    QVERIFY(QDir(shared.path()).isEmpty());

    const QStringList fallback = QDir(environment.value(QStringLiteral("XDG_CACHE_HOME")))
                                     .entryList({ QStringLiteral("qtsingleapplication-*") });
    QCOMPARE(fallback.size(), 1);
    struct stat info;
    QVERIFY(lstat(QFile::encodeName(environment.value(QStringLiteral("XDG_CACHE_HOME"))
                      + QLatin1Char('/') + fallback.first())
                      .constData(),
                &info)
        == 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0700));
}

void QtSingleApplicationTest::otherUsersHaveTheirOwnInstance()
{
    if (getuid() != 0)
        QSKIP("starting a program as another user needs root");
    const QString runuser = QStandardPaths::findExecutable(QStringLiteral("runuser"));
    if (runuser.isEmpty())
        QSKIP("runuser is not installed");

    // nobody, pointed at our runtime directory, can neither use nor reach
    // our instance: it becomes the first instance of its own.
    auto first = startProbe(QStringLiteral("probe"));
    QVERIFY(first->waitForLine(QStringLiteral("primary")));
    // runuser does not pass its SIGKILL on, so the probe ends by itself.
    const QStringList asNobody = { QStringLiteral("-u"), QStringLiteral("nobody"),
        QStringLiteral("--"), QStringLiteral("timeout"), QStringLiteral("3"), probe(),
        QStringLiteral("probe") };
    ChildProgram other(m_environment);
    other.start(runuser, asNobody);
    QVERIFY(other.waitForLine(QStringLiteral("primary")));
    other.waitForExit();

    // Nor does nobody's instance take a message from us, though root can
    // reach its socket.
    QTemporaryDir nobodysRuntime;
    const QByteArray runtime = QFile::encodeName(nobodysRuntime.path());
    QVERIFY(chown(runtime.constData(), 65534, 65534) == 0);
    QProcessEnvironment environment = m_environment;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), nobodysRuntime.path());
    ChildProgram nobodys(environment);
    nobodys.start(runuser, asNobody);
    QVERIFY(nobodys.waitForLine(QStringLiteral("primary")));
    const int fd = connectTo(nobodysRuntime.filePath(QStringLiteral("probe.socket")));
    QVERIFY(fd >= 0);
    // The instance may close the connection before the message is written.
    const ssize_t written = send(fd, "\0\0\0\x0a\0r\0a\0i\0s\0e", 14, MSG_NOSIGNAL);
    QVERIFY(written == 14 || errno == EPIPE || errno == ECONNRESET);
    QVERIFY(QTest::qWaitFor([fd] { return closedByPeer(fd); }, 1000) || written != 14);
    close(fd);
    QVERIFY(!nobodys.waitForLine(QStringLiteral("message raise"), 500));
}

// What another process of the user sends cannot make the instance hold
// unbounded memory or descriptors, nor make it stop listening.
void QtSingleApplicationTest::connectionsAreBounded()
{
    const QString path = m_environment.value(QStringLiteral("XDG_RUNTIME_DIR")) + QLatin1Char('/')
        + QLatin1String(selfIdentifier) + QStringLiteral(".socket");
    const int greedy = connectTo(path);
    QVERIFY(greedy >= 0);
    QCOMPARE(write(greedy,
                 "\xff\xff\xff\xfe"
                 "abcd",
                 8),
        ssize_t(8));
    QVERIFY(QTest::qWaitFor([greedy] { return closedByPeer(greedy); }, 1000));
    close(greedy);

    // More idle connections than the instance has descriptors: those beyond
    // its few at a time end at once, the others after its time limit.
    rlimit limit {};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, 4096);
    setrlimit(RLIMIT_NOFILE, &limit);
    std::vector<int> idle;
    for (rlim_t i = 0; i + 64 < limit.rlim_cur && i < 1100; ++i)
        idle.push_back(connectTo(path));
    QVERIFY(std::count(idle.cbegin(), idle.cend(), -1) == 0);
    const auto closed = [&idle] { return std::count_if(idle.cbegin(), idle.cend(), closedByPeer); };
    QTRY_VERIFY(closed() >= qint64(idle.size() - InstanceServer::maximumConnections));
    QVERIFY(closed() < qint64(idle.size()));
    QTRY_COMPARE_WITH_TIMEOUT(
        closed(), qint64(idle.size()), InstanceServer::connectionTimeoutMs + 2000);
    for (const int fd : idle)
        close(fd);

    QSignalSpy received(&m_app, &QtSingleApplication::messageReceived);
    auto later = startProbe(QLatin1String(selfIdentifier));
    QTRY_COMPARE(received.count(), 1);
    QVERIFY(later->waitForLine(QStringLiteral("delivered")));
}

int main(int argc, char *argv[])
{
    QTemporaryDir directory;
    const QProcessEnvironment environment = privateEnvironment(directory.path());
    qputenv(
        "XDG_RUNTIME_DIR", QFile::encodeName(environment.value(QStringLiteral("XDG_RUNTIME_DIR"))));
    QtSingleApplication app(QLatin1String(selfIdentifier), argc, argv);
    QtSingleApplicationTest test(app, environment);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qtsingleapplication.moc"
