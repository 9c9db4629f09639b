// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/launchdescription.h"
#include "exec/launchplan.h"

#include <QTest>

#include <unistd.h>

/** What Run does with a classified text and the dialog's options, and what the dialog says. */
class LaunchPlanTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decidesOnce_data();
    void decidesOnce();
    void terminalChoiceLearnsOnlyWhatTheUserDid_data();
    void terminalChoiceLearnsOnlyWhatTheUserDid();
};

// The lines of a plan, separated by "|".
static QStringList lines(const QString &joined)
{
    return joined.split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

static QStringList lines(const char *joined)
{
    return lines(QString::fromUtf8(joined));
}

// "type#text#executable name#entry's Name#entry's Exec#terminal#entry's Path", empty fields at
// the end left out.
static CommandClassification classification(const QString &description)
{
    const QStringList parts = description.split(QLatin1Char('#'));
    CommandClassification found;
    found.type = CommandType(parts.at(0).toInt());
    found.text = parts.at(1);
    found.executableName = parts.value(2);
    found.entryName = parts.value(3);
    found.entryExec = parts.value(4);
    found.entryArguments = found.text.section(QLatin1Char(' '), 1, -1);
    found.entryWantsTerminal = parts.value(5) == QLatin1String("terminal");
    found.entryWorkingDirectory = parts.value(6);
    return found;
}

// Blank-separated: terminal (the box ticked by hand before typing), notterminal (unticked by
// hand), termapps=A,B (the terminal applications), user=NAME, sudo, nice=N (the slider),
// priority (its box), realtime, root (the caller), wrap (a plug-in that prefixes its name),
// listed=NAME (an application the completion list offers first), listedprogram=NAME,
// listedfolder=PATH, last=COMMAND (the history's newest), nopassword (none typed yet),
// calc=VALUE (the text's value, calc=! none, calc=!bc needs bc, calc=!long too long),
// nowindows (no window of another user reaches the session).
// Every user's search path is the system's.
static LaunchOptions options(const QString &description)
{
    LaunchOptions options;
    options.terminalProgram = QStringLiteral("/usr/bin/xterm");
    options.callerName = QStringLiteral("ann");
    options.realtimePriority = 50;
    options.passwordTyped = true;
    options.targetSearchPath = [](const QByteArray &, const QString &) {
        return QByteArrayLiteral("/usr/local/bin:/usr/bin:/bin");
    };
    for (const QString &option : description.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString value = option.section(QLatin1Char('='), 1);
        if (option == QLatin1String("terminal") || option == QLatin1String("notterminal"))
            options.terminalChoice.setByHand(option == QLatin1String("terminal"), QString());
        else if (option.startsWith(QLatin1String("termapps=")))
            options.terminalApplications = value.split(QLatin1Char(','));
        else if (option.startsWith(QLatin1String("user="))) {
            options.runAsOther = true;
            options.userName = value;
        } else if (option == QLatin1String("sudo"))
            options.sudoChosen = true;
        else if (option.startsWith(QLatin1String("nice=")))
            options.nicePriority = value.toInt();
        else if (option == QLatin1String("priority"))
            options.priorityChosen = true;
        else if (option == QLatin1String("realtime")) {
            options.priorityChosen = true;
            options.scheduler = SchedulingPolicy::Realtime;
        } else if (option == QLatin1String("root"))
            options.callerIsRoot = true;
        else if (option.startsWith(QLatin1String("listed=")))
            options.listed = { ListedAlternative::RunsCommand, value, value, true };
        else if (option.startsWith(QLatin1String("listedprogram=")))
            options.listed = { ListedAlternative::RunsCommand, value, value, false };
        else if (option.startsWith(QLatin1String("listedfolder=")))
            options.listed = { ListedAlternative::ShowsFolder, value, value, false };
        else if (option.startsWith(QLatin1String("calc="))) {
            options.calculatedExpression = QStringLiteral("2+3");
            options.calculatedValue = value.startsWith(QLatin1Char('!')) ? QString() : value;
            options.calculationOutcome = value == QLatin1String("!bc") ? Calculator::NeedsBc
                : value == QLatin1String("!long")                      ? Calculator::TooLong
                : value.startsWith(QLatin1Char('!'))                   ? Calculator::NoValue
                                                                       : Calculator::Value;
        } else if (option.startsWith(QLatin1String("last=")))
            options.lastCommand = value;
        else if (option == QLatin1String("nopassword"))
            options.passwordTyped = false;
        else if (option == QLatin1String("nowindows"))
            options.windowsReachOthers = [] { return false; };
        else if (option == QLatin1String("wrap"))
            options.wrapCommand = [](const QString &line) {
                return QStringLiteral("wrap ") + line;
            };
    }
    return options;
}

// The action of @p plan, and whether Run is disabled for it.
static const char *actionName(const LaunchPlan &plan)
{
    static const char *const names[] = { "NothingToRun", "RunLastCommand", "TakeListedRow",
        "Calculate", "CloseOnly", "UnknownCommand", "NotAProgram", "Refused", "Start",
        "StartAsOther", "TypePassword" };
    static QByteArray name;
    name = names[plan.action()];
    if (!plan.canRun())
        name += " (Run disabled)";
    return name.constData();
}

void LaunchPlanTest::decidesOnce_data()
{
    QTest::addColumn<QString>("found");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("passwordLabel");
    QTest::addColumn<QString>("priority"); // "policy value" of a command run as another user
    QTest::addColumn<QString>("action");

    const QString none;
    const QString xterm = QStringLiteral("/usr/bin/xterm -e /bin/sh -c \"%1\"");
    const QString heldXterm = QStringLiteral("/usr/bin/xterm -hold -e /bin/sh -c \"%1\"");
    QTest::newRow("program") << "3#ls -l#ls" << none << lines("ls -l") << "Runs ls" << none << none
                             << "Start";
    QTest::newRow("program in a terminal")
        << "3#ls -l#ls"
        << "terminal" << lines(heldXterm.arg(QStringLiteral("ls -l"))) << "Runs ls in xterm" << none
        << none << "Start";
    QTest::newRow("application's name") << "3#gedit#gedit#Text Editor" << none << lines("gedit")
                                        << "Runs Text Editor" << none << none << "Start";
    QTest::newRow("lower priority") << "3#ls#ls"
                                    << "nice=5 wrap" << lines("nice -n 5 wrap ls")
                                    << "Runs ls at priority 5" << none << none << "Start";
    QTest::newRow("www address") << "4#www.example.org" << none
                                 << lines("xdg-open https://www.example.org")
                                 << "Opens the address in the web browser" << none << none
                                 << "Start";
    QTest::newRow("host and port")
        << "4#www.example.com:8080/x a" << none << lines("xdg-open http://www.example.com:8080/x a")
        << "Opens the address in the web browser" << none << none << "Start";
    QTest::newRow("host and the https port")
        << "4#example.org:443/p" << none << lines("xdg-open https://example.org:443/p")
        << "Opens the address in the web browser" << none << none << "Start";
    QTest::newRow("scheme followed by digits")
        << "4#tel:12345" << none << lines("xdg-open tel:12345")
        << "Opens the address with the default application" << none << none << "Start";
    QTest::newRow("other address")
        << "4#mailto:a@example.org" << none << lines("xdg-open mailto:a@example.org")
        << "Opens the address with the default application" << none << none << "Start";
    QTest::newRow("document") << "1#/etc/passwd" << none << lines("xdg-open /etc/passwd")
                              << "Opens /etc/passwd with the default application" << none << none
                              << "Start";
    QTest::newRow("document with words")
        << "1#/etc/passwd now" << none << QStringList()
        << "/etc/passwd is not a program, so it cannot take arguments" << none << none
        << "NotAProgram";
    QTest::newRow("unknown") << "0#zzq" << none << QStringList() << "No program or file named zzq"
                             << none << none << "UnknownCommand";
    QTest::newRow("unknown in a terminal")
        << "0#zzq a"
        << "terminal" << lines(heldXterm.arg(QStringLiteral("zzq a"))) << "Runs zzq in xterm"
        << none << none << "Start";
    QTest::newRow("entry, one start per file")
        << "5#kav-view a b##Viewer#viewer %f" << none << lines("viewer a|viewer b") << "Runs Viewer"
        << none << none << "Start";
    QTest::newRow("entry asking for a terminal")
        << "5#kav-top##Top#top#terminal" << none << lines(xterm.arg(QStringLiteral("top")))
        << "Runs Top in xterm" << none << none << "Start";
    QTest::newRow("terminal application")
        << "3#ls -l#ls"
        << "termapps=top,ls" << lines(heldXterm.arg(QStringLiteral("ls -l"))) << "Runs ls in xterm"
        << none << none << "Start";
    QTest::newRow("terminal application kept out by hand")
        << "3#ls#ls"
        << "termapps=ls notterminal" << lines("ls") << "Runs ls" << none << none << "Start";
    QTest::newRow("the list offers a terminal application")
        << "0#l"
        << "listedprogram=ls termapps=ls" << QStringList() << "Enter runs ls in xterm" << none
        << none << "TakeListedRow";
    QTest::newRow("another user asked for, none named")
        << "3#ls#ls"
        << "user=" << lines("ls") << "Runs ls" << none << none << "Start (Run disabled)";
    QTest::newRow("unknown, the list offers an application")
        << "0#edi"
        << "listed=Editor" << QStringList() << "Enter runs Editor" << none << none
        << "TakeListedRow";
    QTest::newRow("document with words, the list offers a folder")
        << "1#/etc/passwd x"
        << "listedfolder=/etc/x11/" << QStringList() << "Enter shows what is in /etc/x11/" << none
        << none << "TakeListedRow";
    QTest::newRow("a program runs as typed, whatever the list offers")
        << "3#ls#ls"
        << "listed=lsblk" << lines("ls") << "Runs ls" << none << none << "Start";
    QTest::newRow("nothing typed, a command run before")
        << "0#"
        << "last=make" << QStringList() << "Enter runs the last command again: make" << none << none
        << "RunLastCommand";
    QTest::newRow("expression") << "0#2+3" << none << QStringList() << "Calculating ..." << none
                                << none << "Calculate";
    QTest::newRow("expression's value")
        << "0#2+3"
        << "calc=5" << QStringList() << "= 5" << none << none << "Calculate";
    QTest::newRow("expression without a value")
        << "0#2+3"
        << "calc=!" << QStringList() << "Cannot calculate this expression" << none << none
        << "Calculate";
    QTest::newRow("expression that needs bc")
        << "0#2+3"
        << "calc=!bc" << QStringList() << "Install bc to calculate this" << none << none
        << "Calculate";
    QTest::newRow("expression's value too long")
        << "0#2+3"
        << "calc=!long" << QStringList() << "Result too long" << none << none << "Calculate";
    QTest::newRow("logout") << "0#logout" << none << QStringList() << "Closes this dialog" << none
                            << none << "CloseOnly";

    const QString bobs = QStringLiteral("Pass&word of bob:");
    const QString roots = QStringLiteral("Pass&word of root:");
    const QString own = QStringLiteral("Your pass&word:");
    QTest::newRow("su as bob") << "3#ls -l#ls"
                               << "user=bob" << lines("ls -l")
                               << "Runs as bob through su; asks for the password of bob" << bobs
                               << "0 0"
                               << "StartAsOther";
    QTest::newRow("sudo chosen, as bob: su")
        << "3#ls -l#ls"
        << "user=bob sudo" << lines("ls -l")
        << "Runs as bob through su; asks for the password of bob" << bobs << "0 0"
        << "StartAsOther";
    QTest::newRow("sudo as root") << "3#ls#ls"
                                  << "user=root sudo" << lines("ls")
                                  << "Runs as root through sudo; asks for your own password" << own
                                  << "0 0"
                                  << "StartAsOther";
    QTest::newRow("su as root") << "3#ls#ls"
                                << "user=root" << lines("ls")
                                << "Runs as root through su; asks for the password of root" << roots
                                << "0 0"
                                << "StartAsOther";
    QTest::newRow("realtime through sudo")
        << "3#ls#ls"
        << "realtime sudo" << lines("ls")
        << "Runs as root through sudo with realtime priority 50; asks for your own password" << own
        << "1 50"
        << "StartAsOther";
    QTest::newRow("higher priority through su")
        << "3#ls#ls"
        << "priority nice=-5" << lines("ls")
        << "Runs as root through su at priority -5; asks for the password of root" << roots
        << "0 -5"
        << "StartAsOther";
    QTest::newRow("higher priority as root, whoever was chosen")
        << "3#ls#ls"
        << "user=bob sudo priority nice=-1" << lines("ls")
        << "Runs as root through sudo at priority -1; asks for your own password" << own << "0 -1"
        << "StartAsOther";
    QTest::newRow("nothing typed, higher priority")
        << "0#"
        << "priority nice=-1" << QStringList() << "Runs as root: only root may raise the priority"
        << roots << none << "NothingToRun (Run disabled)";
    QTest::newRow("nothing typed, realtime")
        << "0#"
        << "realtime" << QStringList() << "Runs as root: only root may use realtime scheduling"
        << roots << none << "NothingToRun (Run disabled)";
    QTest::newRow("lower priority, box ticked")
        << "3#ls#ls"
        << "priority nice=3" << lines("nice -n 3 ls") << "Runs ls at priority 3" << none << none
        << "Start";
    QTest::newRow("lower priority as bob, box unticked")
        << "3#ls#ls"
        << "user=bob nice=5" << lines("ls")
        << "Runs as bob through su at priority 5; asks for the password of bob" << bobs << "0 5"
        << "StartAsOther";
    QTest::newRow("root asks no password")
        << "3#ls#ls"
        << "user=bob root" << lines("ls") << "Runs as bob through su" << none << "0 0"
        << "StartAsOther";
    QTest::newRow("as bob in a terminal")
        << "3#ls '$x'#ls"
        << "user=bob terminal" << lines(heldXterm.arg(QStringLiteral("ls '\\$x'")))
        << "Runs as bob through su in xterm; asks for the password of bob" << bobs << "0 0"
        << "StartAsOther";
    QTest::newRow("as bob in a terminal, no windows for others")
        << "3#ls#ls"
        << "user=bob terminal nowindows" << lines(heldXterm.arg(QStringLiteral("ls")))
        << "Windows of bob cannot open in this Wayland session" << bobs << none << "Refused";
    QTest::newRow("entry as bob, no windows for others")
        << "5#kav-view a##Viewer#cat %f"
        << "user=bob nowindows" << lines("cat a")
        << "Windows of bob cannot open in this Wayland session" << bobs << none << "Refused";
    QTest::newRow("program as bob, no windows for others")
        << "3#ls#ls"
        << "user=bob nowindows" << lines("ls")
        << "Runs as bob through su, without windows in this Wayland session; asks for the "
           "password of bob"
        << bobs << "0 0"
        << "StartAsOther";
    QTest::newRow("entry as bob") << "5#kav-view ~/a b##Viewer#cat %F"
                                  << "user=bob" << lines("cat ~/a b")
                                  << "Runs as bob through su; asks for the password of bob" << bobs
                                  << "0 0"
                                  << "StartAsOther";
    QTest::newRow("entry in its folder, as bob")
        << "5#kav-view a b##Viewer#cat %f##/srv/it's"
        << "user=bob" << lines("cd '/srv/it'\\''s' && { cat a & cat b; }")
        << "Runs as bob through su; asks for the password of bob" << bobs << "0 0"
        << "StartAsOther";
    QTest::newRow("no command yet, as bob")
        << "0#"
        << "user=bob" << QStringList() << none << bobs << none << "NothingToRun (Run disabled)";
    QTest::newRow("line break in the command")
        << "5#kav-x##X\nLD_PRELOAD=/tmp/x.so#run %c"
        << "user=root" << lines("run 'X\nLD_PRELOAD=/tmp/x.so'")
        << "The command holds a line break, so it cannot run as another user" << roots << "0 0"
        << "Refused";
    QTest::newRow("NUL in an entry's name")
        << QStringLiteral("5#kav-x##X%1Y#run %c").arg(QChar(0)) << "user=root"
        << lines(QStringLiteral("run 'X%1Y'").arg(QChar(0)))
        << "The command holds a NUL byte, so it cannot run as another user" << roots << "0 0"
        << "Refused";
    QTest::newRow("program only on the caller's own path")
        << "3#kavzz -x#kavzz"
        << "user=root sudo" << lines("kavzz -x")
        << "kavzz is not on root's search path; give its full path" << own << "0 0"
        << "Refused";
    QTest::newRow("entry's program only on the caller's own path")
        << "5#kav-view##Viewer#kavzz %f"
        << "user=bob" << lines("kavzz") << "kavzz is not on bob's search path; give its full path"
        << bobs << "0 0"
        << "Refused";
    QTest::newRow("a full path the target can run")
        << "3#/home/ann/bin/kavzz#kavzz"
        << "user=root sudo" << lines("/home/ann/bin/kavzz")
        << "Runs as root through sudo; asks for your own password" << own << "0 0"
        << "StartAsOther";
    QTest::newRow("the shell's own words")
        << "0#cd /tmp && ls"
        << "user=bob" << lines("cd /tmp && ls")
        << "Runs as bob through su; asks for the password of bob" << bobs << "0 0"
        << "StartAsOther";
    const QString longCommand = QStringLiteral("echo ") + QString(200000, QLatin1Char('x'));
    QTest::newRow("longer than one argument may be")
        << QStringLiteral("3#%1#echo").arg(longCommand) << "user=root sudo"
        << QStringList(longCommand)
        << QStringLiteral("The command is 200005 bytes long, more than the %1 bytes the system "
                          "passes in one argument, so it cannot run as another user")
               .arg(32 * sysconf(_SC_PAGESIZE) - 1)
        << own << "0 0"
        << "Refused";
    QTest::newRow("password not typed yet")
        << "3#ls#ls"
        << "user=alice nopassword" << lines("ls")
        << "Runs as alice through su; type the password of alice first"
        << "Pass&word of alice:"
        << "0 0"
        << "TypePassword";
    QTest::newRow("nothing typed, as root in real time, in a terminal")
        << "0#"
        << "last=make realtime sudo terminal nopassword" << QStringList()
        << "Enter runs the last command again: make, as root through sudo with realtime priority "
           "50 in xterm; type your own password first"
        << own << none << "RunLastCommand";
    QTest::newRow("unknown, the list offers an application, lower priority")
        << "0#edi"
        << "listed=Editor nice=5" << QStringList() << "Enter runs Editor at priority 5" << none
        << none << "TakeListedRow";
    QTest::newRow("invisible character")
        << QStringLiteral("3#ls \u202Egnp.exe#ls") << "user=root"
        << lines(QStringLiteral("ls \u202Egnp.exe"))
        << "The command holds characters that the field cannot show, so it cannot run as another "
           "user"
        << roots << "0 0"
        << "Refused";
}

void LaunchPlanTest::decidesOnce()
{
    QFETCH(QString, found);
    QFETCH(QString, options);
    QFETCH(QStringList, lines);
    QFETCH(QString, hint);
    QFETCH(QString, passwordLabel);
    QFETCH(QString, priority);
    QFETCH(QString, action);
    qputenv("HOME", "/home/ann");
    const LaunchPlan plan(classification(found), ::options(options));
    QCOMPARE(plan.commandLines(), lines);
    QCOMPARE(LaunchDescription::hint(plan), hint);
    QCOMPARE(LaunchDescription::passwordLabel(plan), passwordLabel);
    QCOMPARE(QString::fromLatin1(actionName(plan)), action);
    // The message of a text that cannot run gives the hint's reason.
    if (plan.action() == LaunchPlan::UnknownCommand || plan.action() == LaunchPlan::NotAProgram)
        QCOMPARE(LaunchDescription::notRunMessage(plan, QStringLiteral("<b>x</b>")),
            QStringLiteral("<center><b><b>x</b></b></center>\n%1.").arg(hint.toHtmlEscaped()));
    if (plan.action() == LaunchPlan::StartAsOther)
        QCOMPARE(QStringLiteral("%1 %2")
                     .arg(static_cast<int>(plan.schedulingPolicy()))
                     .arg(plan.priority()),
            priority);
}

void LaunchPlanTest::terminalChoiceLearnsOnlyWhatTheUserDid_data()
{
    QTest::addColumn<QStringList>("clicks"); // "on"/"off" for "program", "-" to empty the field
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QStringList>("learned"); // from "ls, top" after running program
    const QStringList listed { QStringLiteral("ls"), QStringLiteral("top") };
    const auto clicks = [](const char *list) {
        return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    };
    QTest::newRow("by itself") << clicks("") << QStringLiteral("ls") << true << true << listed;
    QTest::newRow("by itself, not asked")
        << clicks("") << QStringLiteral("toe") << false << false << listed;
    QTest::newRow("kept out by hand") << clicks("off:ls") << QStringLiteral("ls") << true << false
                                      << QStringList { QStringLiteral("top") };
    QTest::newRow("sent by hand") << clicks("on:htop") << QStringLiteral("htop") << false << true
                                  << listed + QStringList { QStringLiteral("htop") };
    QTest::newRow("a choice for another program lapses")
        << clicks("off:ls") << QStringLiteral("top") << true << true << listed;
    QTest::newRow("emptying the field forgets it")
        << clicks("off:ls -") << QStringLiteral("ls") << true << true << listed;
    QTest::newRow("chosen before typing")
        << clicks("on:") << QStringLiteral("htop") << false << true
        << listed + QStringList { QStringLiteral("htop") };
    QTest::newRow("chosen before typing, emptied")
        << clicks("on: -") << QStringLiteral("htop") << false << true
        << listed + QStringList { QStringLiteral("htop") };
}

void LaunchPlanTest::terminalChoiceLearnsOnlyWhatTheUserDid()
{
    QFETCH(QStringList, clicks);
    QFETCH(QString, program);
    QFETCH(bool, asked);
    QFETCH(bool, ticked);
    QFETCH(QStringList, learned);
    TerminalChoice choice;
    for (const QString &click : qAsConst(clicks)) {
        if (click == QLatin1String("-"))
            choice.fieldEmptied();
        else
            choice.setByHand(
                click.startsWith(QLatin1String("on")), click.section(QLatin1Char(':'), 1));
    }
    QCOMPARE(choice.ticked(program, asked), ticked);
    QStringList applications { QStringLiteral("ls"), QStringLiteral("top") };
    choice.teach(&applications, program, program);
    QCOMPARE(applications, learned);
}

QTEST_GUILESS_MAIN(LaunchPlanTest)
#include "tst_launchplan.moc"
