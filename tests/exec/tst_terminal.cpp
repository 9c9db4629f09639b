// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/terminal.h"

#include "tests/common/xvfbserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Fake emulators record their arguments, one per NUL-terminated string, and
// when asked run what follows their "-e" as the window's command.
static const char recordingTerminal[] = R"sh(#!/bin/sh
for argument in "$@"; do printf '%s\0' "$argument"; done > "$KAVRUN_TERMINAL_RECORD"
: > "$KAVRUN_TERMINAL_RECORD.done"
if [ -n "$KAVRUN_TERMINAL_RUNS" ]; then
    while [ "$1" != -e ]; do shift; done
    shift
    exec "$@"
fi
)sh";

class TerminalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void prefersKavTermThenLinkThenXterm();
    void keepsOpenOnlyWhereAsked_data();
    void keepsOpenOnlyWhereAsked();
    void waitsForEnterWhereTheTerminalCannotHold_data();
    void waitsForEnterWhereTheTerminalCannotHold();
    void deliversTheCommandUnchanged_data();
    void deliversTheCommandUnchanged();
    void holdsARealXtermOpen();

private:
    QString bin(const QString &name = QString()) const;
    void addFakeTerminal(const QString &name);
    QStringList recordedArguments();

    QByteArray savedPath;
    std::unique_ptr<QTemporaryDir> scratch;
};

QString TerminalTest::bin(const QString &name) const
{
    return scratch->filePath(QStringLiteral("bin/") + name);
}

void TerminalTest::addFakeTerminal(const QString &name)
{
    QFile file(bin(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(recordingTerminal);
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QStringList TerminalTest::recordedArguments()
{
    const QString record = scratch->filePath(QStringLiteral("record"));
    if (!QTest::qWaitFor([&] { return QFile::exists(record + QStringLiteral(".done")); }, 10000))
        return { QStringLiteral("<the terminal did not run>") };
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly))
        return { QStringLiteral("<no record>") };
    QStringList arguments;
    for (const QByteArray &argument : file.readAll().split('\0'))
        arguments += QString::fromLocal8Bit(argument);
    arguments.removeLast(); // after the last terminator
    QFile::remove(record);
    QFile::remove(record + QStringLiteral(".done"));
    return arguments;
}

void TerminalTest::initTestCase()
{
    savedPath = qgetenv("PATH");
}

void TerminalTest::init()
{
    scratch = std::make_unique<QTemporaryDir>();
    QVERIFY(scratch->isValid());
    QVERIFY(QDir(scratch->path()).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(scratch->path()).mkpath(QStringLiteral("real")));
    qputenv("PATH", QFile::encodeName(bin()));
    qputenv(
        "KAVRUN_TERMINAL_RECORD", QFile::encodeName(scratch->filePath(QStringLiteral("record"))));
}

void TerminalTest::cleanup()
{
    qputenv("PATH", savedPath);
    qunsetenv("KAVRUN_TERMINAL_RECORD");
    qunsetenv("KAVRUN_TERMINAL_RUNS");
    scratch.reset();
}

void TerminalTest::prefersKavTermThenLinkThenXterm()
{
    const QString konsole = scratch->filePath(QStringLiteral("real/konsole"));
    addFakeTerminal(QStringLiteral("kav-term"));
    addFakeTerminal(QStringLiteral("xterm"));
    addFakeTerminal(QStringLiteral("../real/konsole"));
    QVERIFY(QFile::link(konsole, bin(QStringLiteral("x-terminal-emulator"))));

    QCOMPARE(terminalProgram(), bin(QStringLiteral("kav-term")));
    QVERIFY(QFile::remove(bin(QStringLiteral("kav-term"))));
    QCOMPARE(terminalProgram(), QFileInfo(konsole).canonicalFilePath());
    QVERIFY(QFile::remove(bin(QStringLiteral("x-terminal-emulator"))));
    QCOMPARE(terminalProgram(), bin(QStringLiteral("xterm")));
    QVERIFY(QFile::remove(bin(QStringLiteral("xterm"))));
    QCOMPARE(terminalProgram(), QString());
    // Through a relative entry, the current folder's programs are nobody's terminal.
    addFakeTerminal(QStringLiteral("kav-term"));
    const QString savedFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(scratch->path()));
    qputenv("PATH", "bin");
    QCOMPARE(terminalProgram(), QString());
    QDir::setCurrent(savedFolder);
    QCOMPARE(terminalCommandLine(QStringLiteral("ls"), true, LineConsumer::DetachedStart),
        QStringLiteral(" -e /bin/sh -c \"ls\""));
}

void TerminalTest::keepsOpenOnlyWhereAsked_data()
{
    QTest::addColumn<QString>("emulator");
    QTest::addColumn<bool>("terminalEntry");
    QTest::addColumn<QString>("option");
    const QString noclose = QStringLiteral("--noclose");
    const QString hold = QStringLiteral("--hold");
    const QString xtermHold = QStringLiteral("-hold");
    QTest::newRow("kav-term") << QStringLiteral("kav-term") << false << noclose;
    QTest::newRow("kav-term, terminal entry") << QStringLiteral("kav-term") << true << QString();
    QTest::newRow("konsole") << QStringLiteral("konsole") << false << noclose;
    QTest::newRow("konsole, terminal entry") << QStringLiteral("konsole") << true << QString();
    QTest::newRow("xterm") << QStringLiteral("xterm") << false << xtermHold;
    QTest::newRow("xterm, terminal entry") << QStringLiteral("xterm") << true << QString();
    QTest::newRow("uxterm") << QStringLiteral("uxterm") << false << xtermHold;
    QTest::newRow("lxterm") << QStringLiteral("lxterm") << false << xtermHold;
    QTest::newRow("koi8rxterm") << QStringLiteral("koi8rxterm") << false << xtermHold;
    QTest::newRow("urxvt") << QStringLiteral("urxvt") << false << xtermHold;
    QTest::newRow("xfce4-terminal") << QStringLiteral("xfce4-terminal") << false << hold;
    QTest::newRow("sakura") << QStringLiteral("sakura") << false << hold;
    QTest::newRow("alacritty") << QStringLiteral("alacritty") << false << hold;
    QTest::newRow("kitty") << QStringLiteral("kitty") << false << hold;
    QTest::newRow("terminology") << QStringLiteral("terminology") << false << hold;
    QTest::newRow("foot") << QStringLiteral("foot") << false << hold;
    QTest::newRow("Eterm") << QStringLiteral("Eterm") << false << QStringLiteral("--pause");
    QTest::newRow("unknown, terminal entry") << QStringLiteral("st") << true << QString();
}

// Named as x-terminal-emulator's link target, as Debian's alternatives name them.
void TerminalTest::keepsOpenOnlyWhereAsked()
{
    QFETCH(QString, emulator);
    QFETCH(bool, terminalEntry);
    QFETCH(QString, option);
    addFakeTerminal(QStringLiteral("../real/") + emulator);
    const QString program =
        QFileInfo(scratch->filePath(QStringLiteral("real/") + emulator)).canonicalFilePath();
    QVERIFY(QFile::link(program, bin(QStringLiteral("x-terminal-emulator"))));

    const QString line =
        terminalCommandLine(QStringLiteral("top -d 2"), terminalEntry, LineConsumer::DetachedStart);
    const QString keepOpen = option.isEmpty() ? QString() : QLatin1Char(' ') + option;
    QCOMPARE(line, program + keepOpen + QStringLiteral(" -e /bin/sh -c \"top -d 2\""));
}

// Debian's wrappers drop options they do not know, so they cannot hold either.
void TerminalTest::waitsForEnterWhereTheTerminalCannotHold_data()
{
    QTest::addColumn<QString>("emulator");
    QTest::addColumn<bool>("throughShell");
    QTest::newRow("st, detached") << QStringLiteral("st") << false;
    QTest::newRow("st, shell") << QStringLiteral("st") << true;
    QTest::newRow("gnome-terminal.wrapper") << QStringLiteral("gnome-terminal.wrapper") << false;
    QTest::newRow("xfce4-terminal.wrapper") << QStringLiteral("xfce4-terminal.wrapper") << true;
}

void TerminalTest::waitsForEnterWhereTheTerminalCannotHold()
{
    QFETCH(QString, emulator);
    QFETCH(bool, throughShell);
    addFakeTerminal(QStringLiteral("../real/") + emulator);
    QVERIFY(QFile::link(scratch->filePath(QStringLiteral("real/") + emulator),
        bin(QStringLiteral("x-terminal-emulator"))));
    qputenv("KAVRUN_TERMINAL_RUNS", "1");
    // Its own exit must not skip the question, nor its quotes break the wrapping.
    const QString command = QStringLiteral("echo \"it's\" \\$HOME; exit 3");
    const QString line = terminalCommandLine(
        command, false, throughShell ? LineConsumer::Shell : LineConsumer::DetachedStart);

    QProcess terminal;
    terminal.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    if (throughShell) {
        terminal.start(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), line });
    } else {
        QStringList words = QProcess::splitCommand(line);
        terminal.start(words.takeFirst(), words);
    }
    QVERIFY(!terminal.waitForFinished(500));
    QCOMPARE(terminal.readAllStandardOutput(),
        QByteArray("it's $HOME\n\nPress Enter to close this window "));
    terminal.write("\n");
    QVERIFY(terminal.waitForFinished(5000));
    QCOMPARE(terminal.exitCode(), 3);
}

void TerminalTest::deliversTheCommandUnchanged_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("plain") << QStringLiteral("ls -l");
    QTest::newRow("every special character")
        << QStringLiteral("echo \"a \\\"b\\\" \\\\ $HOME `id`\" 'it'\\''s' %1 %%2 ; & | > <");
    QTest::newRow("starts with a quote") << QStringLiteral("\"quoted start");
    QTest::newRow("ends with a quote") << QStringLiteral("ends with quote\"");
    QTest::newRow("doubled quotes") << QStringLiteral("\"\"x\"\"\"y");
    QTest::newRow("backslash at the end") << QStringLiteral("a\\");
    QTest::newRow("inner blanks") << QStringLiteral("a   b\tc");
}

void TerminalTest::deliversTheCommandUnchanged()
{
    QFETCH(QString, command);
    // The terminal's folder holds a blank and shell text, and its path stays one word.
    const QString folder = QStringLiteral("t $(touch x)");
    QVERIFY(QDir(scratch->path()).mkpath(folder));
    addFakeTerminal(QStringLiteral("../") + folder + QStringLiteral("/kav-term"));
    qputenv("PATH", QFile::encodeName(scratch->filePath(folder)));
    const QString savedFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(scratch->path()));
    const QStringList expected = { QStringLiteral("--noclose"), QStringLiteral("-e"),
        QStringLiteral("/bin/sh"), QStringLiteral("-c"), command };

    // Split by QProcess, as the dialog's own detached start does.
    QStringList words =
        QProcess::splitCommand(terminalCommandLine(command, false, LineConsumer::DetachedStart));
    QVERIFY(QProcess::startDetached(words.takeFirst(), words));
    QCOMPARE(recordedArguments(), expected);

    // Read by the shell, as the companion program runs it for another user.
    const QString line = terminalCommandLine(command, false, LineConsumer::Shell);
    QCOMPARE(QProcess::execute(QStringLiteral("/bin/sh"), { QStringLiteral("-c"), line }), 0);
    QCOMPARE(recordedArguments(), expected);
    QVERIFY(!QFile::exists(QStringLiteral("x")));
    QDir::setCurrent(savedFolder);
}

void TerminalTest::holdsARealXtermOpen()
{
    const QString xterm =
        QStandardPaths::findExecutable(QStringLiteral("xterm"), { QStringLiteral("/usr/bin") });
    if (xterm.isEmpty())
        QSKIP("xterm is not installed");
    XvfbServer server;
    qputenv("PATH", savedPath); // the server's own programs
    const bool serverStarted = server.start();
    qputenv("PATH", QFile::encodeName(bin()));
    if (!serverStarted)
        QSKIP("Xvfb could not be started");
    QVERIFY(QFile::link(xterm, bin(QStringLiteral("xterm"))));

    const QString marker = scratch->filePath(QStringLiteral("marker"));
    const QString command =
        QStringLiteral("printf '%s|' \"x  y\" 'a\"b' 'c\\d' '$e' '`f`' > ") + marker;
    QStringList words =
        QProcess::splitCommand(terminalCommandLine(command, false, LineConsumer::DetachedStart));
    QCOMPARE(words.first(), bin(QStringLiteral("xterm")));

    QProcess terminal;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), server.display());
    environment.insert(QStringLiteral("XAUTHORITY"), server.authorityFile());
    terminal.setProcessEnvironment(environment);
    terminal.start(words.takeFirst(), words);
    QFile file(marker);
    const bool ran = QTest::qWaitFor([&] { return file.size() > 0; }, 20000);
    // Held open, the window outlives its command until the user closes it.
    const bool held = !terminal.waitForFinished(500);
    terminal.kill();
    terminal.waitForFinished();
    QVERIFY2(ran, terminal.readAllStandardError().constData());
    QVERIFY(held);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("x  y|a\"b|c\\d|$e|`f`|"));
}

QTEST_GUILESS_MAIN(TerminalTest)
#include "tst_terminal.moc"
