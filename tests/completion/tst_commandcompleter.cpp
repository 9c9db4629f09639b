// SPDX-License-Identifier: GPL-2.0-or-later
#include "completion/commandcompleter.h"
#include "completion/usagerecord.h"
#include "fakesearchpath.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

class TestCommandCompleter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void ranksRowsAndOffersTheFirst_data();
    void ranksRowsAndOffersTheFirst();
    void firstRowIsTheDefaultUntilTheUserChooses();
    void openListFollowsTheScreening();
    void choosingARowSaysWhatItIs_data();
    void choosingARowSaysWhatItIs();
    void inlineCompletionSignalsNothing();
    void applicationsAndPathsTakeTheirPlaces();
    void chosenFolderOffersItsContents();

private:
    /** A shown, focused line edit completing through @p completer. */
    QLineEdit *showLineEdit(CommandCompleter *completer);
    static QStringList matches(const QCompleter &completer);

    QTemporaryDir themes;
    FakeSearchPath *fake = nullptr;
    QWidget *window = nullptr;
};

void TestCommandCompleter::initTestCase()
{
    // The programs have an icon and the history rows none: a theme with the programs' only.
    const QString apps = themes.path() + QStringLiteral("/kavlist/24x24/apps");
    QVERIFY(QDir().mkpath(apps));
    QPixmap icon(24, 24);
    icon.fill(Qt::blue);
    QVERIFY(icon.save(apps + QStringLiteral("/application-x-executable.png")));
    QFile index(themes.path() + QStringLiteral("/kavlist/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly)
        && index.write("[Icon Theme]\nName=kavlist\nDirectories=24x24/apps\n\n"
                       "[24x24/apps]\nSize=24\n")
            > 0);
    index.close();
    QIcon::setThemeSearchPaths({ themes.path() });
    QIcon::setThemeName(QStringLiteral("kavlist"));
}

void TestCommandCompleter::init()
{
    fake = new FakeSearchPath;
    const QString bin = fake->directory(QStringLiteral("bin"));
    const QString later = fake->directory(QStringLiteral("later"));
    fake->addProgram(bin, QStringLiteral("make"));
    fake->addProgram(bin, QStringLiteral("man"));
    fake->addProgram(later, QStringLiteral("mandb"));
    fake->addProgram(bin, QStringLiteral("mandata"), false);
    fake->addProgram(bin, QStringLiteral("Mx"));
    FakeSearchPath::setSearchPath({ bin, later });
    window = new QWidget;
}

void TestCommandCompleter::cleanup()
{
    delete window;
    window = nullptr;
    delete fake;
    fake = nullptr;
}

QLineEdit *TestCommandCompleter::showLineEdit(CommandCompleter *completer)
{
    auto *lineEdit = new QLineEdit(window);
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(lineEdit);
    lineEdit->setCompleter(completer);
    window->show();
    window->activateWindow();
    lineEdit->setFocus();
    if (!QTest::qWaitForWindowActive(window))
        qWarning("the test window did not become active");
    return lineEdit;
}

QStringList TestCommandCompleter::matches(const QCompleter &completer)
{
    QStringList texts;
    const QAbstractItemModel *model = completer.completionModel();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->data(model->index(row, 0)).toString());
    return texts;
}

void TestCommandCompleter::ranksRowsAndOffersTheFirst_data()
{
    QTest::addColumn<QStringList>("history");
    // Runs of commands: "<runs> <days ago> <command>".
    QTest::addColumn<QStringList>("usage");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");
    // The first row's kind, and what choosing it puts into the field.
    QTest::addColumn<CommandCompleterModel::RowKind>("firstKind");
    QTest::addColumn<QString>("firstText");
    using Kind = CommandCompleterModel::RowKind;
    const QStringList ma = { QStringLiteral("make"), QStringLiteral("man"),
        QStringLiteral("mandb") };
    const QStringList edi = { QStringLiteral("Text Editor"), QStringLiteral("editres"),
        QStringLiteral("Vim") };
    const QString editor = QStringLiteral("org.example.TextEditor");
    QTest::newRow("history, then programs")
        << QStringList { QStringLiteral("ls -l"), QStringLiteral("make") } << QStringList()
        << QStringLiteral("ma") << ma << Kind::History << QStringLiteral("make");
    QTest::newRow("any case") << QStringList { QStringLiteral("ls -l"), QStringLiteral("Make it") }
                              << QStringList() << QStringLiteral("MA")
                              << QStringList { QStringLiteral("Make it") } + ma << Kind::History
                              << QStringLiteral("Make it");
    // A program's name start, then a word of an application's generic name; the
    // application run before is offered as itself, not as its name or (as older
    // versions kept it) its id in the history.
    QTest::newRow("a word of an application's name")
        << QStringList { editor, QStringLiteral("Text Editor") } << QStringList()
        << QStringLiteral("edi") << edi << Kind::Application << QStringLiteral("Text Editor");
    QTest::newRow("later word") << QStringList { QStringLiteral("cat /tmp/notes") } << QStringList()
                                << QStringLiteral("tmp")
                                << QStringList { QStringLiteral("cat /tmp/notes") } << Kind::History
                                << QStringLiteral("cat /tmp/notes");
    QTest::newRow("initials") << QStringList() << QStringList() << QStringLiteral("gd")
                              << QStringList { QStringLiteral("gnome-disks") } << Kind::Program
                              << QStringLiteral("gnome-disks");
    QTest::newRow("initials of a word's humps")
        << QStringList() << QStringList() << QStringLiteral("lo")
        << QStringList { QStringLiteral("LibreOffice Writer") } << Kind::Application
        << QStringLiteral("LibreOffice Writer");
    QTest::newRow("inside a word last")
        << QStringList { QStringLiteral("stop"), QStringLiteral("top") } << QStringList()
        << QStringLiteral("to")
        << QStringList { QStringLiteral("top"), QStringLiteral("stop"),
               QStringLiteral("Text Editor") }
        << Kind::History << QStringLiteral("top");
    QTest::newRow("most used first")
        << QStringList { QStringLiteral("make") }
        << QStringList { QStringLiteral("3 0 mandb"), QStringLiteral("1 0 man") }
        << QStringLiteral("ma")
        << QStringList { QStringLiteral("mandb"), QStringLiteral("man"), QStringLiteral("make") }
        << Kind::Program << QStringLiteral("mandb");
    QTest::newRow("old runs fade")
        << QStringList() << QStringList { QStringLiteral("4 60 make"), QStringLiteral("1 1 man") }
        << QStringLiteral("ma")
        << QStringList { QStringLiteral("man"), QStringLiteral("make"), QStringLiteral("mandb") }
        << Kind::Program << QStringLiteral("man");
    // Runs counted under the id, as older versions did, count too.
    QTest::newRow("use ranks within a match class only")
        << QStringList() << QStringList { QStringLiteral("9 0 org.example.Vim") }
        << QStringLiteral("edi") << edi << Kind::Application << QStringLiteral("Text Editor");
    QTest::newRow("no match") << QStringList { QStringLiteral("make") } << QStringList()
                              << QStringLiteral("zzz") << QStringList() << Kind::None << QString();
}

void TestCommandCompleter::ranksRowsAndOffersTheFirst()
{
    QFETCH(QStringList, history);
    QFETCH(QStringList, usage);
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);
    QFETCH(CommandCompleterModel::RowKind, firstKind);
    QFETCH(QString, firstText);
    const QString bin = fake->directory(QStringLiteral("bin"));
    fake->addProgram(bin, QStringLiteral("editres"));
    fake->addProgram(bin, QStringLiteral("gnome-disks"));
    fake->addApplication(
        QStringLiteral("org.example.TextEditor"), "Name=Text Editor\nExec=kav-edit\n");
    fake->addApplication(
        QStringLiteral("org.example.Vim"), "Name=Vim\nGenericName=Text Editor\nExec=vim\n");
    fake->addApplication(
        QStringLiteral("org.example.Writer"), "Name=LibreOffice Writer\nExec=lowriter\n");
    auto record = QSharedPointer<UsageRecord>::create(
        fake->directory(QStringLiteral("data")) + QStringLiteral("/usage"));
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QString &runs : usage) {
        const QStringList fields = runs.split(QLatin1Char(' '));
        for (int run = 0; run < fields.at(0).toInt(); ++run)
            record->noteRun(fields.at(2), now - fields.at(1).toInt() * 24 * 3600);
    }
    QStringListModel historyModel(history);
    auto *completer = new CommandCompleter(&historyModel, window);
    completer->setUsageRecord(record);
    QLineEdit *lineEdit = showLineEdit(completer);

    QTest::keyClicks(lineEdit, typed);
    // The applications are read in the background: they come when they are there.
    QTRY_COMPARE(matches(*completer), offered);
    QTRY_COMPARE(completer->popup()->isVisible(), !offered.isEmpty());
    // The list takes its height from its first row: every row it shows is as
    // high, whatever its kind, and in full view.
    const QAbstractItemView *popup = completer->popup();
    for (int row = 0; row < qMin(offered.size(), completer->maxVisibleItems()); ++row) {
        QCOMPARE(popup->sizeHintForRow(row), popup->sizeHintForRow(0));
        QVERIFY(popup->visualRect(popup->model()->index(row, 0)).bottom()
            < popup->viewport()->height());
    }
    const CompletionRow first = completer->firstRow();
    QCOMPARE(first.kind, firstKind);
    QCOMPARE(first.text, firstText);
}

// The window sets the default; the field keeps the text until a row is chosen.
void TestCommandCompleter::firstRowIsTheDefaultUntilTheUserChooses()
{
    QStringListModel history({ QStringLiteral("make") });
    auto *completer = new CommandCompleter(&history, window);
    QSignalSpy historyActivated(completer, &CommandCompleter::historyItemActivated);
    QSignalSpy firstRowChanged(completer, &CommandCompleter::firstRowChanged);
    QLineEdit *lineEdit = showLineEdit(completer);
    QTest::keyClicks(lineEdit, QStringLiteral("ma"));
    QAbstractItemView *popup = completer->popup();
    QTRY_VERIFY(popup->isVisible());
    QVERIFY(!firstRowChanged.isEmpty());
    QCOMPARE(completer->firstRow().name, QStringLiteral("make"));

    completer->setFirstRowDefault(true);
    QCOMPARE(popup->selectionModel()->selectedRows(), { popup->model()->index(0, 0) });
    QCOMPARE(lineEdit->text(), QStringLiteral("ma"));
    QCOMPARE(completer->firstRow().text, QStringLiteral("make"));

    // Down moves on from the default, and a row the user chose stays chosen.
    QTest::keyClick(popup, Qt::Key_Down);
    QCOMPARE(lineEdit->text(), QStringLiteral("man"));
    QCOMPARE(completer->firstRow().kind, CommandCompleterModel::RowKind::None);
    completer->setFirstRowDefault(true);
    QCOMPARE(lineEdit->text(), QStringLiteral("man"));
    QVERIFY(!completer->activateFirstRow());

    // Choosing the first row of a new text is choosing it with Down and Enter.
    lineEdit->selectAll();
    QTest::keyClicks(lineEdit, QStringLiteral("ma"));
    QTRY_VERIFY(popup->isVisible());
    QVERIFY(popup->selectionModel()->selectedRows().isEmpty());
    QVERIFY(completer->activateFirstRow());
    QCOMPARE(lineEdit->text(), QStringLiteral("make"));
    QCOMPARE(historyActivated.size(), 1);
    QVERIFY(!popup->isVisible());
    QVERIFY(!completer->activateFirstRow());
}

// Names screened out while the list is open leave the list the user sees.
void TestCommandCompleter::openListFollowsTheScreening()
{
    const QString bin = fake->directory(QStringLiteral("bin"));
    fake->addProgram(bin, QStringLiteral("data"), false);
    fake->addProgram(bin, QStringLiteral("date"));
    fake->addProgram(bin, QStringLiteral("datum"), false);
    QStringListModel history({ QStringLiteral("ls -l") });
    auto *completer = new CommandCompleter(&history, window);
    QLineEdit *lineEdit = showLineEdit(completer);

    QTest::keyClicks(lineEdit, QStringLiteral("ma"));
    QAbstractItemView *popup = completer->popup();
    QTRY_VERIFY(popup->isVisible());
    lineEdit->selectAll();
    QTest::keyClicks(lineEdit, QStringLiteral("da"));
    QVERIFY(popup->isVisible());
    QCOMPARE(matches(*completer), QStringList(QStringLiteral("date")));
    QCOMPARE(popup->model()->rowCount(), 1);
    QCOMPARE(popup->model()->index(0, 0).data().toString(), QStringLiteral("date"));
}

void TestCommandCompleter::choosingARowSaysWhatItIs_data()
{
    QTest::addColumn<QStringList>("history");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    // What historyItemActivated() carries and the id applicationActivated() does;
    // empty: not emitted.
    QTest::addColumn<QString>("historyEntry");
    QTest::addColumn<QString>("application");
    const QString news = QStringLiteral("org.example.News");
    QTest::newRow("history entry")
        << QStringList { QStringLiteral("ls -l"), QStringLiteral("make") } << QStringLiteral("ma")
        << 0 << QStringLiteral("make") << QStringLiteral("make") << QString();
    QTest::newRow("executable") << QStringList { QStringLiteral("make") } << QStringLiteral("ma")
                                << 1 << QStringLiteral("man") << QString() << QString();
    // With no history at all nothing is ever a history row.
    QTest::newRow("no history") << QStringList() << QStringLiteral("ma") << 0
                                << QStringLiteral("make") << QString() << QString();
    QTest::newRow("application") << QStringList() << QStringLiteral("read") << 0
                                 << QStringLiteral("News Reader") << QString() << news;
}

void TestCommandCompleter::choosingARowSaysWhatItIs()
{
    QFETCH(QStringList, history);
    QFETCH(QString, typed);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(QString, historyEntry);
    QFETCH(QString, application);
    fake->addApplication(QStringLiteral("org.example.News"), "Name=News Reader\nExec=news\n");
    QStringListModel historyModel(history);
    auto *completer = new CommandCompleter(&historyModel, window);
    QSignalSpy historyActivated(completer, &CommandCompleter::historyItemActivated);
    QSignalSpy applicationActivated(completer, &CommandCompleter::applicationActivated);
    QLineEdit *lineEdit = showLineEdit(completer);

    QTest::keyClicks(lineEdit, typed);
    QAbstractItemView *popup = completer->popup();
    QTRY_VERIFY(popup->isVisible());
    for (int down = 0; down <= row; ++down)
        QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(lineEdit->text(), text);
    const auto carried = [](const QSignalSpy &spy) {
        return spy.isEmpty() ? QString() : spy.at(0).constLast().toString();
    };
    QCOMPARE(historyActivated.size(), historyEntry.isEmpty() ? 0 : 1);
    QCOMPARE(carried(historyActivated), historyEntry);
    QCOMPARE(applicationActivated.size(), application.isEmpty() ? 0 : 1);
    QCOMPARE(carried(applicationActivated), application);
}

void TestCommandCompleter::inlineCompletionSignalsNothing()
{
    QStringListModel history({ QStringLiteral("make") });
    auto *completer = new CommandCompleter(&history, window);
    completer->setCompletionMode(QCompleter::InlineCompletion);
    QSignalSpy activated(completer, &CommandCompleter::historyItemActivated);
    QLineEdit *lineEdit = showLineEdit(completer);

    QTest::keyClicks(lineEdit, QStringLiteral("ma"));
    QCOMPARE(lineEdit->text(), QStringLiteral("make"));
    QVERIFY(!QApplication::activePopupWidget());
    QTest::keyClick(lineEdit, Qt::Key_Return);
    QCOMPARE(activated.count(), 0);
}

void TestCommandCompleter::applicationsAndPathsTakeTheirPlaces()
{
    fake->addApplication(
        QStringLiteral("org.example.Mail"), "Name=Mail Reader\nExec=mail-reader\n");
    QStringListModel history({ QStringLiteral("make") });
    CommandCompleter completer(&history, nullptr);
    // The applications are read in the background: they come when they are there.
    completer.setCompletionPrefix(QStringLiteral("ma"));
    QTRY_COMPARE(matches(completer),
        QStringList({ QStringLiteral("make"), QStringLiteral("Mail Reader"), QStringLiteral("man"),
            QStringLiteral("mandb") }));

    const QString folder = fake->directory(QString());
    completer.setCompletionPrefix(QStringLiteral("cat ") + folder + QStringLiteral("/b"));
    QTRY_COMPARE(matches(completer), QStringList { QStringLiteral("bin/") });
    QCOMPARE(
        completer.currentCompletion(), QStringLiteral("cat ") + folder + QStringLiteral("/bin/"));
}

void TestCommandCompleter::chosenFolderOffersItsContents()
{
    auto *completer = new CommandCompleter(new QStringListModel(window), window);
    QLineEdit *lineEdit = showLineEdit(completer);
    QTest::keyClicks(lineEdit, fake->directory(QStringLiteral("later")).chopped(3));
    QTRY_VERIFY(completer->popup()->isVisible());
    QTest::keyClick(completer->popup(), Qt::Key_Down);
    QTest::keyClick(completer->popup(), Qt::Key_Return);
    QCOMPARE(lineEdit->text(), fake->directory(QStringLiteral("later/")));
    // The folder's contents are the next choice. (Whether the list shows them
    // at once is left to the end-to-end tests: under load the offscreen
    // platform may leave no window active once the list has closed.)
    QTRY_COMPARE(matches(*completer), QStringList { QStringLiteral("mandb") });
}

QTEST_MAIN(TestCommandCompleter)
#include "tst_commandcompleter.moc"
