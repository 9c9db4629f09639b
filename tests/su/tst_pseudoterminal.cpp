// SPDX-License-Identifier: GPL-2.0-or-later
#include "su/pseudoterminal.h"

#include <QDir>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

static bool isOpen(int fd)
{
    return fcntl(fd, F_GETFD) >= 0;
}

static bool isCloseOnExec(int fd)
{
    const int flags = fcntl(fd, F_GETFD);
    return flags >= 0 && (flags & FD_CLOEXEC);
}

class PseudoTerminalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsClosed();
    void openPairIsNeverReopened();
    void closingIsIdempotent();
    void closePairClosesBothSides();
    void echoFollowsSetSlaveEcho();
    void echoOnClosedPairFails();
    void executedChildKeepsNoPairDescriptor();
};

void PseudoTerminalTest::startsClosed()
{
    PseudoTerminal terminal;
    QCOMPARE(terminal.masterDescriptor(), -1);
    QCOMPARE(terminal.slaveDescriptor(), -1);
    struct termios attributes;
    QVERIFY(!terminal.getAttributes(&attributes));
}

void PseudoTerminalTest::openPairIsNeverReopened()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.openPair());
    const int master = terminal.masterDescriptor();
    const int slave = terminal.slaveDescriptor();
    QVERIFY(master >= 0);
    QVERIFY(slave >= 0);
    QVERIFY(isCloseOnExec(master));
    QVERIFY(isCloseOnExec(slave));

    QVERIFY(terminal.openPair());
    QCOMPARE(terminal.masterDescriptor(), master);
    QCOMPARE(terminal.slaveDescriptor(), slave);

    // Even with the slave side gone, the master keeps the pair open.
    terminal.closeSlaveSide();
    QVERIFY(terminal.openPair());
    QCOMPARE(terminal.masterDescriptor(), master);
    QCOMPARE(terminal.slaveDescriptor(), -1);
}

void PseudoTerminalTest::closingIsIdempotent()
{
    PseudoTerminal terminal;
    terminal.closePair();
    terminal.closeSlaveSide();
    QVERIFY(terminal.openPair());

    const int slave = terminal.slaveDescriptor();
    terminal.closeSlaveSide();
    QVERIFY(!isOpen(slave));
    // The freed number is handed out again; a second close must not hit the newcomer.
    const int newcomer = open("/dev/null", O_RDONLY | O_CLOEXEC);
    QCOMPARE(newcomer, slave);
    terminal.closeSlaveSide();
    terminal.closePair();
    terminal.closePair();
    QVERIFY(isOpen(newcomer));
    close(newcomer);
}

void PseudoTerminalTest::closePairClosesBothSides()
{
    int master;
    int slave;
    {
        PseudoTerminal terminal;
        QVERIFY(terminal.openPair());
        master = terminal.masterDescriptor();
        slave = terminal.slaveDescriptor();
        terminal.closePair();
        QCOMPARE(terminal.masterDescriptor(), -1);
        QCOMPARE(terminal.slaveDescriptor(), -1);
        QVERIFY(!isOpen(master));
        QVERIFY(!isOpen(slave));
    }
    {
        PseudoTerminal terminal;
        QVERIFY(terminal.openPair());
        master = terminal.masterDescriptor();
        slave = terminal.slaveDescriptor();
    }
    QVERIFY(!isOpen(master));
    QVERIFY(!isOpen(slave));
}

void PseudoTerminalTest::echoFollowsSetSlaveEcho()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.openPair());
    struct termios slaveAttributes;

    QVERIFY(terminal.setSlaveEcho(false));
    QCOMPARE(tcgetattr(terminal.slaveDescriptor(), &slaveAttributes), 0);
    QVERIFY(!(slaveAttributes.c_lflag & ECHO));

    QVERIFY(terminal.setSlaveEcho(true));
    QCOMPARE(tcgetattr(terminal.slaveDescriptor(), &slaveAttributes), 0);
    QVERIFY(slaveAttributes.c_lflag & ECHO);

    // Attributes go through the master, so they work without the slave side too.
    terminal.closeSlaveSide();
    QVERIFY(terminal.setSlaveEcho(false));
    struct termios attributes;
    QVERIFY(terminal.getAttributes(&attributes));
    QVERIFY(!(attributes.c_lflag & ECHO));
}

void PseudoTerminalTest::echoOnClosedPairFails()
{
    PseudoTerminal terminal;
    QVERIFY(!terminal.setSlaveEcho(false));
    QVERIFY(terminal.openPair());
    terminal.closePair();
    QVERIFY(!terminal.setSlaveEcho(true));
    struct termios attributes;
    QVERIFY(!terminal.setAttributes(&attributes));
}

// A child that only puts the slave on its standard streams, without closing anything else:
// the executed program must still see neither side of the pair.
void PseudoTerminalTest::executedChildKeepsNoPairDescriptor()
{
    PseudoTerminal terminal;
    QVERIFY(terminal.openPair());
    QVERIFY(terminal.setSlaveEcho(false));
    const int master = terminal.masterDescriptor();
    const int slave = terminal.slaveDescriptor();

    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        terminal.makeControllingTerminal();
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(slave, 2);
        execl("/bin/cat", "cat", static_cast<char *>(nullptr));
        _exit(127);
    }
    terminal.closeSlaveSide();

    // Once cat repeats a line, it has been executed.
    QCOMPARE(write(master, "ping\n", 5), ssize_t(5));
    char reply[16] = {};
    QVERIFY(read(master, reply, sizeof reply - 1) > 0);
    QCOMPARE(QByteArray(reply).trimmed(), QByteArrayLiteral("ping"));

    const QStringList descriptors = QDir(QStringLiteral("/proc/%1/fd").arg(child))
                                        .entryList(QDir::Files | QDir::System, QDir::Name);
    const QByteArray listing = descriptors.join(QLatin1Char(' ')).toLatin1();
    QVERIFY(descriptors.contains(QStringLiteral("0")));
    QVERIFY(master > 2 && slave > 2);
    QVERIFY2(!descriptors.contains(QString::number(master)), listing.constData());
    QVERIFY2(!descriptors.contains(QString::number(slave)), listing.constData());

    kill(child, SIGKILL);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
}

QTEST_GUILESS_MAIN(PseudoTerminalTest)
#include "tst_pseudoterminal.moc"
