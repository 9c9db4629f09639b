// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/commandline.h"
#include "app/startrequest.h"
#include "dialog/roderuz.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <memory>

static QStringList criticalMessages;

static void recordCriticals(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg)
        criticalMessages.append(message);
}

class CommandLineTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void noOptionsLeaveTheDialogAlone();
    void suWithSudo();
    void priority_data();
    void priority();
    void userOpensTheAdvancedPanel();
    void commandWords_data();
    void commandWords();
    void terminal();
    void terminalWithoutTerminalProgram();
    void startRequestAgreesWithTheParser_data();
    void startRequestAgreesWithTheParser();

private:
    std::unique_ptr<Roderuz> presetDialog(const QStringList &options);
    template<typename T>
    T *widget(const char *name) const
    {
        T *found = m_dialog->findChild<T *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    std::unique_ptr<Roderuz> m_dialog;
    QtMessageHandler m_previousHandler = nullptr;
};

std::unique_ptr<Roderuz> CommandLineTest::presetDialog(const QStringList &options)
{
    CommandLine commandLine;
    commandLine.process(QStringList { QStringLiteral("kav-run") } + options);
    auto dialog = std::make_unique<Roderuz>();
    m_previousHandler = qInstallMessageHandler(recordCriticals);
    commandLine.applyPresets(*dialog);
    qInstallMessageHandler(m_previousHandler);
    return dialog;
}

void CommandLineTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void CommandLineTest::init()
{
    criticalMessages.clear();
}

void CommandLineTest::cleanup()
{
    m_dialog.reset();
    QThreadPool::globalInstance()->waitForDone();
}

void CommandLineTest::noOptionsLeaveTheDialogAlone()
{
    m_dialog = presetDialog({});
    QVERIFY(criticalMessages.isEmpty());
    QVERIFY(widget<QWidget>("advancedOptionsWidget")->isHidden());
    QVERIFY(!widget<QCheckBox>("cbRunAsOther")->isChecked());
    QVERIFY(widget<QComboBox>("cbCommand")->lineEdit()->text().isEmpty());
}

void CommandLineTest::suWithSudo()
{
    m_dialog = presetDialog({ QStringLiteral("--su"), QStringLiteral("--sudo") });
    QCOMPARE(criticalMessages, QStringList { QStringLiteral("\"su can't be used with sudo\"") });
    QVERIFY(widget<QRadioButton>("rbSudo")->isChecked());
    QVERIFY(!widget<QRadioButton>("rbSu")->isChecked());

    m_dialog = presetDialog({ QStringLiteral("--sudo") });
    QVERIFY(widget<QRadioButton>("rbSudo")->isChecked());
    m_dialog = presetDialog({ QStringLiteral("--su") });
    QVERIFY(widget<QRadioButton>("rbSu")->isChecked());
}

// The expected slider value; INT_MIN and INT_MAX stand for the ends of its range.
void CommandLineTest::priority_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("diagnostics");
    QTest::addColumn<int>("slider");

    QTest::newRow("not a number") << QStringList { QStringLiteral("-p"), QStringLiteral("abc") }
                                  << 1 << 0;
    QTest::newRow("not a number, realtime")
        << QStringList { QStringLiteral("-r"), QStringLiteral("-p"), QStringLiteral("abc") } << 2
        << INT_MIN;
    QTest::newRow("realtime 50") << QStringList { QStringLiteral("--realtime"),
        QStringLiteral("--priority=50") }
                                 << 0 << 50;
    QTest::newRow("30 is too high")
        << QStringList { QStringLiteral("-p"), QStringLiteral("30") } << 1 << INT_MAX;
    QTest::newRow("-25 is too low")
        << QStringList { QStringLiteral("-p"), QStringLiteral("-25") } << 1 << INT_MIN;
    QTest::newRow("5") << QStringList { QStringLiteral("-p"), QStringLiteral("5") } << 0 << 5;
    QTest::newRow("hexadecimal") << QStringList { QStringLiteral("-p"), QStringLiteral("0x5") } << 1
                                 << 0;
}

void CommandLineTest::priority()
{
    QFETCH(QStringList, options);
    QFETCH(int, diagnostics);
    QFETCH(int, slider);

    m_dialog = presetDialog(options);
    QCOMPARE(criticalMessages.size(), diagnostics);
    for (const QString &message : qAsConst(criticalMessages))
        QCOMPARE(message, QStringLiteral("\"wrong priority\""));

    auto *priority = widget<QSlider>("slPriority");
    if (slider == INT_MIN)
        slider = priority->minimum();
    else if (slider == INT_MAX)
        slider = priority->maximum();
    QCOMPARE(priority->value(), slider);
    QVERIFY(!widget<QWidget>("advancedOptionsWidget")->isHidden());
    // The priority option never ticks the priority box (real-time scheduling may).
    const bool realtime =
        options.contains(QStringLiteral("-r")) || options.contains(QStringLiteral("--realtime"));
    if (realtime) {
        QCOMPARE(priority->minimum(), 1);
        QCOMPARE(priority->maximum(), 99);
    } else {
        QVERIFY(!widget<QCheckBox>("cbPriority")->isChecked());
    }
    QVERIFY(!widget<QCheckBox>("cbRealtime")->isChecked());
}

void CommandLineTest::userOpensTheAdvancedPanel()
{
    m_dialog = presetDialog({ QStringLiteral("-u"), QStringLiteral("bob") });
    QVERIFY(criticalMessages.isEmpty());
    QVERIFY(widget<QCheckBox>("cbRunAsOther")->isChecked());
    QCOMPARE(widget<QLineEdit>("leUsername")->text(), QStringLiteral("bob"));
    QVERIFY(!widget<QWidget>("advancedOptionsWidget")->isHidden());
}

void CommandLineTest::commandWords_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");

    QTest::newRow("command and path")
        << QStringList { QStringLiteral("ls"), QStringLiteral("/tmp") } << QStringLiteral("ls /tmp")
        << QStringLiteral("/tmp");
    QTest::newRow("one word") << QStringList { QStringLiteral("xterm") } << QStringLiteral("xterm")
                              << QString();
    QTest::newRow("dash word after double dash")
        << QStringList { QStringLiteral("-t"), QStringLiteral("--"), QStringLiteral("ls"),
               QStringLiteral("-l"), QStringLiteral("/usr/share") }
        << QStringLiteral("ls -l /usr/share") << QStringLiteral("-l /usr/share");
}

void CommandLineTest::commandWords()
{
    QFETCH(QStringList, options);
    QFETCH(QString, text);
    QFETCH(QString, selected);

    m_dialog = presetDialog(options);
    const QLineEdit *edit = widget<QComboBox>("cbCommand")->lineEdit();
    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->selectedText(), selected);
}

void CommandLineTest::terminal()
{
    m_dialog = presetDialog({ QStringLiteral("--terminal") });
    auto *box = widget<QCheckBox>("cbRunInTerminal");
    if (!box->isEnabled())
        QSKIP("no terminal program is installed");
    QVERIFY(box->isChecked());
}

void CommandLineTest::terminalWithoutTerminalProgram()
{
    const QByteArray path = qgetenv("PATH");
    const QTemporaryDir emptyPath;
    qputenv("PATH", QFile::encodeName(emptyPath.path()));
    m_dialog = presetDialog({ QStringLiteral("-t") });
    qputenv("PATH", path);

    auto *box = widget<QCheckBox>("cbRunInTerminal");
    QVERIFY(!box->isEnabled());
    QVERIFY(!box->isChecked());
}

Q_DECLARE_METATYPE(StartRequest)

void CommandLineTest::startRequestAgreesWithTheParser_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<StartRequest>("request");

    const auto row = [](const char *name, std::initializer_list<const char *> options,
                         StartRequest request) {
        QStringList words;
        for (const char *option : options)
            words.append(QString::fromLatin1(option));
        QTest::newRow(name) << words << request;
    };
    row("nothing", {}, StartRequest::Dialog);
    row("compacted", { "-tr", "-uroot", "-p5", "ls" }, StartRequest::Dialog);
    row("values that look like options", { "--user", "--help", "-u", "-v", "--priority=-5" },
        StartRequest::Dialog);
    row("after a double dash", { "-t", "--", "ls", "-h", "--bogus" }, StartRequest::Dialog);
    row("platform, read as a priority", { "-platform", "xcb" }, StartRequest::Dialog);
    row("resident", { "--resident", "--su" }, StartRequest::Resident);
    row("help among others", { "-th", "ls" }, StartRequest::Answer);
    row("help of all", { "--help-all" }, StartRequest::Answer);
    row("version of the resident", { "--resident", "-v" }, StartRequest::Answer);
    row("missing value", { "-t", "-u" }, StartRequest::Answer);
    row("value of a flag", { "--su=1" }, StartRequest::Answer);
    row("value of a short flag", { "-t=1" }, StartRequest::Answer);
    row("unknown", { "--bogus" }, StartRequest::Undecided);
    row("toolkit's display", { "-display", ":1", "ls" }, StartRequest::Undecided);
    row("dash word without a double dash", { "ls", "-l" }, StartRequest::Undecided);
}

// Where it decides, what the launcher reads from the arguments is what the
// parser makes of them.
void CommandLineTest::startRequestAgreesWithTheParser()
{
    QFETCH(QStringList, options);
    QFETCH(StartRequest, request);
    const QStringList arguments = QStringList { QStringLiteral("kav-run") } + options;
    QByteArrayList bytes;
    std::vector<char *> argv;
    for (const QString &argument : arguments)
        bytes.append(argument.toLocal8Bit());
    for (QByteArray &argument : bytes)
        argv.push_back(argument.data());
    QCOMPARE(startRequest(int(argv.size()), argv.data()), request);

    CommandLine commandLine;
    if (request != StartRequest::Undecided)
        QCOMPARE(commandLine.read(arguments), request != StartRequest::Answer);
    if (request == StartRequest::Resident)
        QVERIFY(commandLine.isResident());
}

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
