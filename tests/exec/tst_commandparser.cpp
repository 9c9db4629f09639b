// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktop/kavicontheme.h"
#include "exec/commandparser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

class CommandParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void classifies_data();
    void classifies();
    void readsTheDesktopEntry();
    void readsTerminalOnlyFromRealBooleans();
    void chosenApplicationIsItsEntry();
    void relativePathIsLookedUpInTheCurrentFolder();
    void forgetsTheEntryOfAnEarlierText();
    void reusesALoadedEntry();
    void findsEntriesByIdInTheXdgFolders_data();
    void findsEntriesByIdInTheXdgFolders();
    void choosesIcons_data();
    void choosesIcons();
    void fallsBackToNamesTheInstalledThemeHas_data();
    void fallsBackToNamesTheInstalledThemeHas();
    void namesFileIconsByContentType();
    void survivesBadInput();

private:
    QString path(const QString &name) const { return root.filePath(name); }
    void writeFile(const QString &name, const QByteArray &contents,
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner);
    void writeExecutable(const QString &name);
    void addThemeIcon(const QString &name);
    CommandParser *newParser();

    QTemporaryDir root;
    QByteArray savedPath;
    QByteArray savedHome;
    std::vector<std::unique_ptr<CommandParser>> parsers;
};

void CommandParserTest::writeFile(
    const QString &name, const QByteArray &contents, QFile::Permissions permissions)
{
    QFile file(path(name));
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    file.write(contents);
    file.close();
    QVERIFY(file.setPermissions(permissions));
}

void CommandParserTest::writeExecutable(const QString &name)
{
    writeFile(name, "#!/bin/sh\nexit 0\n", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void CommandParserTest::addThemeIcon(const QString &name)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(path(QStringLiteral("icons/kavtest/16x16/apps/%1.png").arg(name))));
}

CommandParser *CommandParserTest::newParser()
{
    parsers.push_back(std::make_unique<CommandParser>());
    parsers.back()->setApplicationsDirectory(path(QStringLiteral("apps")));
    return parsers.back().get();
}

void CommandParserTest::initTestCase()
{
    QVERIFY(root.isValid());
    for (const char *folder :
        { "bin", "apps", "apps/kavdir.desktop", "folder", "closed", "icons/kavtest/16x16/apps" })
        QVERIFY(QDir(root.path()).mkpath(QLatin1String(folder)));

    writeExecutable(QStringLiteral("bin/kavtool"));
    writeExecutable(QStringLiteral("bin/kav:tool"));
    writeExecutable(QStringLiteral("bin/kavterm"));
    writeExecutable(QStringLiteral("bin/kaviconexe"));
    writeExecutable(QStringLiteral("script"));
    writeFile(QStringLiteral("notes.txt"), "plain words\n");
    writeFile(QStringLiteral("doc.pdf"), "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
    writeFile(QStringLiteral("locked"), "secret", {});
    QVERIFY(QImage(4, 4, QImage::Format_RGB32).save(path(QStringLiteral("picture.png"))));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("broken"))));
    QVERIFY(QFile::setPermissions(path(QStringLiteral("closed")), {}));

    writeFile(QStringLiteral("apps/kavapp.desktop"),
        "[Desktop Entry]\nType=Application\nName=Kav App\nExec=kavapp-bin  --open   \"a  b\" %U\n"
        "Icon=kavicon-app\n");
    writeFile(QStringLiteral("apps/kavnoicon.desktop"), "[Desktop Entry]\nName=No Icon\nExec=x\n");
    writeFile(QStringLiteral("apps/kavbadicon.desktop"),
        "[Desktop Entry]\nExec=x\nIcon=not-in-any-theme\n");
    writeFile(QStringLiteral("apps/kavnoexec.desktop"), "[Desktop Entry]\nName=Nothing\n");
    writeFile(QStringLiteral("apps/kavemptyexec.desktop"), "[Desktop Entry]\nExec=\n");
    writeFile(
        QStringLiteral("apps/kavterm.desktop"), "[Desktop Entry]\nExec=kavterm\nTerminal=true\n");
    writeFile(QStringLiteral("apps/kaviconexe.desktop"),
        "[Desktop Entry]\nExec=kaviconexe\nIcon=kavicon-app\n");
    writeFile(QStringLiteral("apps/kavmaybe.desktop"), "[Desktop Entry]\nExec=x\nTerminal=maybe\n");
    writeFile(QStringLiteral("apps/kavyes.desktop"), "[Desktop Entry]\nExec=x\nTerminal=yes\n");
    writeFile(
        QStringLiteral("apps/kavbroken.desktop"), QByteArray("\0\xff[Desk\ntop\x01=\n[[", 15));

    writeFile(QStringLiteral("icons/kavtest/index.theme"),
        "[Icon Theme]\nName=kavtest\nDirectories=16x16/apps\n\n"
        "[16x16/apps]\nSize=16\nType=Fixed\n");
    for (const char *icon : { "system-run", "folder", "network", "unknown", "kavicon-app",
             "kavtool", "text-x-generic", "image-png" })
        addThemeIcon(QLatin1String(icon));
    cleanup();

    savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(path(QStringLiteral("bin"))) + ":/usr/bin:/bin");
    savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(root.path()));
}

void CommandParserTest::cleanup()
{
    QIcon::setThemeSearchPaths({ path(QStringLiteral("icons")) });
    QIcon::setThemeName(QStringLiteral("kavtest"));
}

void CommandParserTest::cleanupTestCase()
{
    qputenv("PATH", savedPath);
    qputenv("HOME", savedHome);
    QFile::setPermissions(
        path(QStringLiteral("closed")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void CommandParserTest::classifies_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");

    const QString folder = path(QStringLiteral("folder"));
    const QString notes = path(QStringLiteral("notes.txt"));
    QTest::newRow("http address") << QStringLiteral("http://example.org/a?b=c")
                                  << int(CommandType::Network);
    QTest::newRow("ftp address with argument")
        << QStringLiteral("ftp://host/file x") << int(CommandType::Network);
    QTest::newRow("unusual scheme") << QStringLiteral("a+b.c:rest") << int(CommandType::Network);
    QTest::newRow("www without scheme")
        << QStringLiteral("www.example.org") << int(CommandType::Network);
    QTest::newRow("www is case-sensitive")
        << QStringLiteral("WWW.example.org") << int(CommandType::Unknown);
    QTest::newRow("host and port") << QStringLiteral("localhost:8080") << int(CommandType::Network);
    QTest::newRow("www host, port and path")
        << QStringLiteral("www.example.com:8080/x") << int(CommandType::Network);
    QTest::newRow("program with a colon")
        << QStringLiteral("kav:tool") << int(CommandType::Executable);
    QTest::newRow("file URL of a folder")
        << QStringLiteral("file://") + folder << int(CommandType::Folder);
    QTest::newRow("file URL of a file")
        << QStringLiteral("file://") + notes << int(CommandType::File);
    QTest::newRow("folder") << folder << int(CommandType::Folder);
    QTest::newRow("unreadable folder")
        << path(QStringLiteral("closed")) << int(CommandType::Folder);
    QTest::newRow("file") << notes << int(CommandType::File);
    QTest::newRow("file with argument")
        << notes + QStringLiteral(" extra") << int(CommandType::File);
    QTest::newRow("unreadable file") << path(QStringLiteral("locked")) << int(CommandType::File);
    QTest::newRow("missing path") << path(QStringLiteral("missing")) << int(CommandType::Unknown);
    QTest::newRow("broken link") << path(QStringLiteral("broken")) << int(CommandType::Unknown);
    QTest::newRow("program on the path")
        << QStringLiteral("kavtool") << int(CommandType::Executable);
    QTest::newRow("program with arguments")
        << QStringLiteral("  kavtool   --flag  ") << int(CommandType::Executable);
    QTest::newRow("program by path")
        << path(QStringLiteral("bin/kavtool")) << int(CommandType::Executable);
    QTest::newRow("ls -la") << QStringLiteral("ls -la") << int(CommandType::Executable);
    QTest::newRow("desktop entry") << QStringLiteral("kavapp") << int(CommandType::DesktopEntry);
    QTest::newRow("desktop entry with argument")
        << QStringLiteral("kavapp some.txt") << int(CommandType::DesktopEntry);
    QTest::newRow("entry without Exec") << QStringLiteral("kavnoexec") << int(CommandType::Unknown);
    QTest::newRow("entry with empty Exec")
        << QStringLiteral("kavemptyexec") << int(CommandType::Unknown);
    QTest::newRow("broken entry") << QStringLiteral("kavbroken") << int(CommandType::Unknown);
    QTest::newRow("entry that is a folder")
        << QStringLiteral("kavdir") << int(CommandType::Unknown);
    QTest::newRow("nothing known") << QStringLiteral("kavnothing") << int(CommandType::Unknown);
    QTest::newRow("home folder") << QStringLiteral("~") << int(CommandType::Folder);
    QTest::newRow("file in the home folder")
        << QStringLiteral("~/notes.txt x") << int(CommandType::File);
    QTest::newRow("program in the home folder")
        << QStringLiteral("~/script") << int(CommandType::Executable);
    QTest::newRow("home of a named user") << QStringLiteral("~root/") << int(CommandType::Folder);
    QTest::newRow("quoted tilde") << QStringLiteral("\"~/notes.txt\"") << int(CommandType::Unknown);
    QTest::newRow("unknown user") << QStringLiteral("~zz-kavrun-nobody")
                                  << int(CommandType::Unknown);
}

void CommandParserTest::classifies()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    CommandParser *parser = newParser();
    parser->parse(text);
    QCOMPARE(int(parser->type()), type);
}

void CommandParserTest::readsTheDesktopEntry()
{
    CommandParser *parser = newParser();
    parser->parse(QStringLiteral("kavapp a.txt"));
    QCOMPARE(parser->desktopExec(), QStringLiteral("kavapp-bin  --open   \"a  b\" %U"));
    QCOMPARE(parser->desktopIcon(), QStringLiteral("kavicon-app"));
    QCOMPARE(parser->desktopName(), QStringLiteral("Kav App"));
    QCOMPARE(parser->desktopEntryPath(), path(QStringLiteral("apps/kavapp.desktop")));
    QVERIFY(!parser->isTerminalEntry());
    QVERIFY(parser->executableName().isEmpty());

    parser->parse(QStringLiteral("kavterm -x"));
    QCOMPARE(int(parser->type()), int(CommandType::Executable));
    QCOMPARE(parser->executableName(), QStringLiteral("kavterm"));
    QVERIFY(parser->isTerminalEntry());
    QCOMPARE(parser->desktopExec(), QStringLiteral("kavterm"));

    // A program without an entry of its own has none.
    parser->parse(QStringLiteral("kavtool"));
    QVERIFY(parser->desktopEntryPath().isEmpty());
    QVERIFY(parser->desktopExec().isEmpty());
    QVERIFY(!parser->isTerminalEntry());
}

void CommandParserTest::readsTerminalOnlyFromRealBooleans()
{
    CommandParser *parser = newParser();
    for (const QString &text : { QStringLiteral("kavmaybe"), QStringLiteral("kavyes") }) {
        parser->parse(text);
        QCOMPARE(int(parser->type()), int(CommandType::DesktopEntry));
        QVERIFY2(!parser->isTerminalEntry(), qPrintable(text));
    }
}

// Chosen in a list by its name, an application is its entry, even with a
// program of the same name on the search path; what follows the name are its files.
void CommandParserTest::chosenApplicationIsItsEntry()
{
    writeFile(QStringLiteral("apps/kavtool.desktop"),
        "[Desktop Entry]\nName=Kav Tool\nPath=/tmp\nExec=kavtool --entry %F\n");
    CommandParser *parser = newParser();
    parser->parseChosen(QStringLiteral("Kav Tool a.txt \"b c\""), QStringLiteral("kavtool"));
    CommandClassification found = parser->classification();
    QCOMPARE(int(found.type), int(CommandType::DesktopEntry));
    QCOMPARE(found.entryExec, QStringLiteral("kavtool --entry %F"));
    QCOMPARE(found.entryArguments, QStringLiteral("a.txt \"b c\""));
    QCOMPARE(found.entryWorkingDirectory, QStringLiteral("/tmp"));
    QCOMPARE(found.chosenEntry, QStringLiteral("kavtool"));

    // Typed, the name is the program.
    parser->parse(QStringLiteral("kavtool"));
    QCOMPARE(int(parser->type()), int(CommandType::Executable));
    // An entry gone since it was chosen leaves the text as it is.
    parser->parseChosen(QStringLiteral("Kav Tool"), QStringLiteral("kavgone"));
    found = parser->classification();
    QCOMPARE(int(found.type), int(CommandType::Unknown));
    QCOMPARE(found.chosenEntry, QStringLiteral("kavgone"));
    QFile::remove(path(QStringLiteral("apps/kavtool.desktop")));
}

void CommandParserTest::relativePathIsLookedUpInTheCurrentFolder()
{
    writeFile(QStringLiteral("apps/script.desktop"), "[Desktop Entry]\nExec=script\n");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.path()));
    CommandParser *parser = newParser();
    parser->parse(QStringLiteral("./script arg"));
    QDir::setCurrent(previous);

    QCOMPARE(int(parser->type()), int(CommandType::Executable));
    // The entry is named after what the search-path look-up made of the word.
    QCOMPARE(parser->desktopEntryPath(),
        path(QStringLiteral("apps/%1.desktop").arg(parser->executableName())));
}

void CommandParserTest::forgetsTheEntryOfAnEarlierText()
{
    CommandParser *parser = newParser();
    parser->parse(QStringLiteral("kavterm"));
    QVERIFY(parser->isTerminalEntry());

    const QStringList laterTexts = { QStringLiteral("http://example.org"),
        QStringLiteral("www.kav"), path(QStringLiteral("notes.txt")),
        path(QStringLiteral("folder")), path(QStringLiteral("missing")), QStringLiteral("ls") };
    for (const QString &text : laterTexts) {
        parser->parse(QStringLiteral("kavterm"));
        parser->parse(text);
        QVERIFY2(!parser->isTerminalEntry(), qPrintable(text));
        QVERIFY2(parser->desktopExec().isEmpty(), qPrintable(text));
        QVERIFY2(parser->desktopEntryPath() != path(QStringLiteral("apps/kavterm.desktop")),
            qPrintable(text));
    }
}

void CommandParserTest::reusesALoadedEntry()
{
    writeFile(QStringLiteral("apps/kavchanging.desktop"), "[Desktop Entry]\nExec=first\n");
    CommandParser *parser = newParser();
    parser->parse(QStringLiteral("kavchanging"));
    QCOMPARE(parser->desktopExec(), QStringLiteral("first"));

    // The entry read for the same name is reused, not read again...
    writeFile(QStringLiteral("apps/kavchanging.desktop"), "[Desktop Entry]\nExec=second\n");
    parser->parse(QStringLiteral("www.example.org"));
    parser->parse(QStringLiteral("kavchanging arg"));
    QCOMPARE(parser->desktopExec(), QStringLiteral("first"));

    // ...while another name replaces it.
    parser->parse(QStringLiteral("kavapp"));
    parser->parse(QStringLiteral("kavchanging"));
    QCOMPARE(parser->desktopExec(), QStringLiteral("second"));
}

void CommandParserTest::findsEntriesByIdInTheXdgFolders_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("exec");
    QTest::newRow("the user's entry wins") << QStringLiteral("kavshared") << QStringLiteral("mine");
    QTest::newRow("only the system's") << QStringLiteral("kavsystem") << QStringLiteral("system");
    QTest::newRow("subfolder") << QStringLiteral("kde4-kavsub") << QStringLiteral("sub");
    QTest::newRow("deleted by the user") << QStringLiteral("kavdeleted") << QString();
    // The system's folder counts even when $XDG_DATA_DIRS leaves it out.
    QTest::newRow("system folder") << QStringLiteral("debian-xterm") << QStringLiteral("xterm");
}

void CommandParserTest::findsEntriesByIdInTheXdgFolders()
{
    QFETCH(QString, text);
    QFETCH(QString, exec);
    if (text == QLatin1String("debian-xterm")
        && !QFile::exists(QStringLiteral("/usr/share/applications/debian-xterm.desktop")))
        QSKIP("xterm's desktop entry is not installed");
    const QDir data(path(QStringLiteral("xdg")));
    if (!data.exists()) {
        QVERIFY(data.mkpath(QStringLiteral("home/applications")));
        QVERIFY(data.mkpath(QStringLiteral("system/applications/kde4")));
        const auto entry = [](const char *execValue) {
            return QByteArray("[Desktop Entry]\nType=Application\nExec=") + execValue + '\n';
        };
        writeFile(QStringLiteral("xdg/home/applications/kavshared.desktop"), entry("mine"));
        writeFile(QStringLiteral("xdg/system/applications/kavshared.desktop"), entry("theirs"));
        writeFile(QStringLiteral("xdg/system/applications/kavsystem.desktop"), entry("system"));
        writeFile(QStringLiteral("xdg/system/applications/kde4/kavsub.desktop"), entry("sub"));
        writeFile(QStringLiteral("xdg/home/applications/kavdeleted.desktop"),
            entry("gone") + "Hidden=true\n");
        writeFile(QStringLiteral("xdg/system/applications/kavdeleted.desktop"), entry("gone"));
    }
    // The MIME database lives in the data folders too: the other cases need the real ones.
    const QByteArray savedHome = qgetenv("XDG_DATA_HOME");
    const QByteArray savedDirs = qgetenv("XDG_DATA_DIRS");
    const auto restore = qScopeGuard([&] {
        qputenv("XDG_DATA_HOME", savedHome);
        qputenv("XDG_DATA_DIRS", savedDirs);
    });
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(data.filePath(QStringLiteral("system"))));
    CommandParser parser;
    parser.parse(text);
    QCOMPARE(int(parser.type()),
        exec.isEmpty() ? int(CommandType::Unknown) : int(CommandType::DesktopEntry));
    QCOMPARE(parser.desktopExec(), exec);
}

void CommandParserTest::choosesIcons_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("iconName");

    QTest::newRow("address") << QStringLiteral("https://example.org") << QStringLiteral("network");
    QTest::newRow("mail address") << QStringLiteral("mailto:a@b.org") << QStringLiteral("network");
    QTest::newRow("expression") << QStringLiteral("2+3") << QStringLiteral("unknown");
    QTest::newRow("folder") << path(QStringLiteral("folder")) << QStringLiteral("folder");
    QTest::newRow("unknown") << path(QStringLiteral("missing")) << QStringLiteral("unknown");
    QTest::newRow("entry icon of a program")
        << QStringLiteral("kaviconexe") << QStringLiteral("kavicon-app");
    QTest::newRow("program named icon") << QStringLiteral("kavtool") << QStringLiteral("kavtool");
    QTest::newRow("program without icon")
        << QStringLiteral("kavterm") << QStringLiteral("system-run");
    QTest::newRow("desktop entry icon")
        << QStringLiteral("kavapp") << QStringLiteral("kavicon-app");
    QTest::newRow("entry without Icon")
        << QStringLiteral("kavnoicon") << QStringLiteral("system-run");
    QTest::newRow("entry icon not in theme")
        << QStringLiteral("kavbadicon") << QStringLiteral("system-run");
    QTest::newRow("document with own icon")
        << path(QStringLiteral("picture.png")) << QStringLiteral("image-png");
    QTest::newRow("document with generic icon")
        << path(QStringLiteral("notes.txt")) << QStringLiteral("text-x-generic");
    QTest::newRow("document without icon")
        << path(QStringLiteral("doc.pdf")) << QStringLiteral("unknown");
}

void CommandParserTest::choosesIcons()
{
    QFETCH(QString, text);
    QFETCH(QString, iconName);
    CommandParser *parser = newParser();
    parser->parse(text);
    const QIcon icon = parser->icon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.name(), iconName);
}

// What the dialog shows with the theme this system installs, which has none
// of "network", "unknown" and "kavicon-app".
void CommandParserTest::fallsBackToNamesTheInstalledThemeHas_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("iconName");
    QTest::newRow("address") << QStringLiteral("www.example.org")
                             << QStringLiteral("applications-internet");
    QTest::newRow("mail address") << QStringLiteral("mailto:a@b.org")
                                  << QStringLiteral("applications-internet");
    QTest::newRow("unknown") << QStringLiteral("kavnothing") << QStringLiteral("dialog-question");
    QTest::newRow("expression") << QStringLiteral("2+3")
                                << QStringLiteral("accessories-calculator");
    QTest::newRow("program") << QStringLiteral("kavterm") << QStringLiteral("system-run");
    QTest::newRow("desktop entry") << QStringLiteral("kavapp") << QStringLiteral("system-run");
    QTest::newRow("document") << path(QStringLiteral("notes.txt"))
                              << QStringLiteral("text-x-generic");
    QTest::newRow("folder") << QStringLiteral("~") << QStringLiteral("folder");
}

void CommandParserTest::fallsBackToNamesTheInstalledThemeHas()
{
    QFETCH(QString, text);
    QFETCH(QString, iconName);
    const QString icons = QStringLiteral("/usr/share/icons");
    if (!QFile::exists(icons + QStringLiteral("/Adwaita/index.theme")))
        QSKIP("the Adwaita icon theme is not installed");
    QIcon::setThemeSearchPaths({ icons });
    QIcon::setThemeName(QStringLiteral("Adwaita"));
    CommandParser *parser = newParser();
    parser->parse(text);
    QCOMPARE(parser->icon().name(), iconName);
    QVERIFY(!parser->icon().availableSizes().isEmpty());
}

void CommandParserTest::namesFileIconsByContentType()
{
    KavIconTheme *theme = KavIconTheme::current(false);
    QCOMPARE(theme->name(), QStringLiteral("kavtest"));
    std::string detail;
    const QByteArray notes = QFile::encodeName(path(QStringLiteral("notes.txt")));
    QCOMPARE(theme->getURLIconName(notes.constData(), &detail), std::string("text-x-generic"));
    QCOMPARE(detail, std::string("text/plain"));
    QCOMPARE(theme->getURLIconName("file://" + notes, nullptr), std::string("text-x-generic"));

    QIcon::setThemeName(QStringLiteral("none"));
    QCOMPARE(KavIconTheme::current(true), theme);
    QCOMPARE(theme->name(), QStringLiteral("none"));
    QCOMPARE(theme->getURLIconName(notes.constData(), nullptr), std::string("unknown"));
    QIcon::setThemeName(QStringLiteral("kavtest"));
    KavIconTheme::current(true);
}

void CommandParserTest::survivesBadInput()
{
    const QStringList texts = {
        QString(),
        QStringLiteral("\x01\x02\x1b[31m \x7f"),
        QString(10000, QLatin1Char('a')),
        QString(10000, QLatin1Char('/')),
        QStringLiteral("http://") + QString(10000, QLatin1Char('x')),
        QStringLiteral("http://[::1"),
        QStringLiteral("file://%zz%"),
        QStringLiteral("file:"),
        QStringLiteral(":"),
        QStringLiteral("1abc:x"),
        QStringLiteral("www."),
        QString::fromLocal8Bit("\xff\xfe\x80"),
        QStringLiteral("kavbroken"),
        QStringLiteral("kavdir"),
        QStringLiteral(".."),
        path(QStringLiteral("locked")),
        path(QStringLiteral("broken")) + QStringLiteral(" arg"),
    };
    CommandParser *parser = newParser();
    QElapsedTimer timer;
    timer.start();
    for (const QString &text : texts) {
        parser->parse(text);
        QVERIFY2(
            parser->type() >= CommandType::Unknown && parser->type() <= CommandType::DesktopEntry,
            qPrintable(text.left(40)));
        parser->icon();
        parser->desktopExec();
        parser->isTerminalEntry();
    }
    QVERIFY(timer.elapsed() < 5000);
}

QTEST_MAIN(CommandParserTest)
#include "tst_commandparser.moc"
