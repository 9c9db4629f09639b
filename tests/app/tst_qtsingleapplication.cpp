// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/qtsingleapplication.h"
#include "childprogram.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

static const char selfIdentifier[] = "tst-qtsingleapplication";

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
    void secondStartHandsOverItsMessage();
    void identifiersAreIndependent();
    void killedInstanceDoesNotBlockTheNextStart();
    void simultaneousStartsGiveOnePrimary();
    void unsafeRuntimeDirectoryIsNotUsed();
    void otherUsersHaveTheirOwnInstance();

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
    ChildProgram other(m_environment);
    other.start(runuser,
        { QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
            QStringLiteral("timeout"), QStringLiteral("3"), probe(), QStringLiteral("probe") });
    QVERIFY(other.waitForLine(QStringLiteral("primary")));
    other.waitForExit();
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
