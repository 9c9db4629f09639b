// SPDX-License-Identifier: GPL-2.0-or-later
#include "../common/paintcounter.h"
#include "completion/commandcompleter.h"
#include "completion/historybox.h"
#include "completion/pathexecsmodel.h"
#include "completion/usagerecord.h"
#include "fakesearchpath.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

/** Counts the keypad Enter presses a widget receives and the text it had at each. */
class EnterCounter : public QObject
{
public:
    explicit EnterCounter(QLineEdit *lineEdit)
        : lineEdit(lineEdit)
    {
        lineEdit->installEventFilter(this);
    }

    QStringList textsAtEnter;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Enter)
            textsAtEnter.append(lineEdit->text());
        return QObject::eventFilter(watched, event);
    }

private:
    QLineEdit *lineEdit;
};

class TestHistoryBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void startsEmptyAndNeverInsertsByItself();
    void loadsItemsUnchanged();
    void loadingTestsNoProgram();
    void addToHistoryMovesAnEntryToTheTop();
    void contextMenuClearsHistory_data();
    void contextMenuClearsHistory();
    void upAndDownInTheEmptyFieldRecallTheHistory();
    void notedRunsRankTheList();
    void chosenApplicationStandsForItsEntry();
    void entriesOfOlderVersionsNameTheirApplications();
    void activatedHistoryEntryRunsOnce();
    void activatedExecutableDoesNotRun();
    void enterWithNoRowChosenRunsTheTypedText_data();
    void enterWithNoRowChosenRunsTheTypedText();
    void keysTheFieldDoesNotTakeReachTheDialog();

private:
    /** Shows the box in a dialog whose default button counts its clicks in runs. */
    void showInDialog();
    void activateCompletion(int row);

    FakeSearchPath *fake = nullptr;
    QDialog *dialog = nullptr;
    HistoryBox *box = nullptr;
    QStringList runs;
};

void TestHistoryBox::init()
{
    fake = new FakeSearchPath;
    const QString bin = fake->directory(QStringLiteral("bin"));
    fake->addProgram(bin, QStringLiteral("make"));
    fake->addProgram(bin, QStringLiteral("man"));
    fake->addProgram(bin, QStringLiteral("mandb"));
    FakeSearchPath::setSearchPath({ bin });
    dialog = new QDialog;
    box = new HistoryBox(dialog);
    runs.clear();
}

void TestHistoryBox::cleanup()
{
    delete dialog;
    dialog = nullptr;
    delete fake;
    fake = nullptr;
}

void TestHistoryBox::showInDialog()
{
    auto *run = new QPushButton(QStringLiteral("Run"), dialog);
    run->setDefault(true);
    connect(run, &QPushButton::clicked, this, [this] { runs.append(box->lineEdit()->text()); });
    auto *layout = new QVBoxLayout(dialog);
    layout->addWidget(box);
    layout->addWidget(run);
    dialog->show();
    dialog->activateWindow();
    box->lineEdit()->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
}

void TestHistoryBox::activateCompletion(int row)
{
    QTest::keyClicks(box->lineEdit(), QStringLiteral("ma"));
    QAbstractItemView *popup = box->completer()->popup();
    QTRY_VERIFY(popup->isVisible());
    for (int down = 0; down <= row; ++down)
        QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
}

void TestHistoryBox::startsEmptyAndNeverInsertsByItself()
{
    QVERIFY(box->isEditable());
    QVERIFY(!box->duplicatesEnabled());
    QCOMPARE(box->insertPolicy(), QComboBox::NoInsert);
    QCOMPARE(box->historyItems(), QStringList());

    box->setHistoryItems({});
    QCOMPARE(box->currentIndex(), -1);
    showInDialog();
    // The completer comes after the first frame; it and an unchanged history draw nothing.
    const PaintCounter counter(box);
    box->setHistoryItems({});
    QTest::qWait(50);
    QCOMPARE(counter.paints, 0);
    QTest::keyClicks(box->lineEdit(), QStringLiteral("fresh"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    QCOMPARE(box->count(), 0);
}

// Loading the history or deselecting an entry empties the field; that is no
// text typed, so no program is tested.
void TestHistoryBox::loadingTestsNoProgram()
{
    fake->addProgram(fake->directory(QStringLiteral("bin")), QStringLiteral("data"), false);
    box->setHistoryItems({ QStringLiteral("ls -l") });
    const auto *programs = box->completer()->model()->findChild<PathExecsModel *>();
    QCOMPARE(programs->rowCount(), 4);
    box->setCurrentIndex(0);
    box->setCurrentIndex(-1);
    QCOMPARE(programs->rowCount(), 4);
    QCOMPARE(box->completer()->model()->rowCount(), 0);

    box->completer()->setCompletionPrefix(QStringLiteral("d"));
    QCOMPARE(programs->rowCount(), 3);
}

void TestHistoryBox::loadsItemsUnchanged()
{
    const QStringList stored = { QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c"),
        QStringLiteral("a") };
    box->setHistoryItems(stored);
    QCOMPARE(box->historyItems(), stored);
    QCOMPARE(box->currentIndex(), -1);
    QVERIFY(box->lineEdit()->text().isEmpty());

    QPointer<QCompleter> first = box->completer();
    QVERIFY(qobject_cast<CommandCompleter *>(first));
    QCOMPARE(first->parent(), box->lineEdit());

    // A replaced completer goes at once instead of watching the search path on.
    box->setHistoryItems({ QStringLiteral("x") });
    QVERIFY(first.isNull());
    QVERIFY(qobject_cast<CommandCompleter *>(box->completer()));
    QCOMPARE(box->historyItems(), QStringList(QStringLiteral("x")));

    // What the field holds stays, selected backwards and edited as it was.
    QLineEdit *field = box->lineEdit();
    field->setText(QStringLiteral("xterm -e top"));
    field->setSelection(12, -6);
    field->setModified(true);
    box->setHistoryItems(stored);
    QCOMPARE(box->historyItems(), stored);
    QCOMPARE(field->text(), QStringLiteral("xterm -e top"));
    QCOMPARE(field->selectedText(), QStringLiteral("-e top"));
    QCOMPARE(field->cursorPosition(), 6);
    QVERIFY(field->isModified());
}

void TestHistoryBox::addToHistoryMovesAnEntryToTheTop()
{
    box->setHistoryItems({ QStringLiteral("p0"), QStringLiteral("p1"), QStringLiteral("p2"),
        QStringLiteral("p3"), QStringLiteral("p4") });
    box->addToHistory(QStringLiteral("p3"));
    QCOMPARE(box->historyItems(),
        QStringList({ QStringLiteral("p3"), QStringLiteral("p0"), QStringLiteral("p1"),
            QStringLiteral("p2"), QStringLiteral("p4") }));

    box->addToHistory(QStringLiteral("P3"));
    box->addToHistory(QStringLiteral(" p3"));
    box->addToHistory(QString());
    QCOMPARE(box->historyItems().mid(0, 4),
        QStringList(
            { QString(), QStringLiteral(" p3"), QStringLiteral("P3"), QStringLiteral("p3") }));
    QCOMPARE(box->count(), 8);

    // Of a stored duplicate only the topmost occurrence moves.
    box->setHistoryItems(
        { QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("a") });
    box->addToHistory(QStringLiteral("a"));
    QCOMPARE(box->historyItems(),
        QStringList({ QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
            QStringLiteral("a") }));

    // An application run by its id is kept by its name, in the id's place.
    const QString id = QStringLiteral("org.example.Editor");
    box->addToHistory(id);
    box->addToHistory(QStringLiteral("Editor"), id, id);
    QCOMPARE(box->historyItems(),
        QStringList({ QStringLiteral("Editor"), QStringLiteral("a"), QStringLiteral("b"),
            QStringLiteral("c"), QStringLiteral("a") }));
    QCOMPARE(box->historyEntries().value(QStringLiteral("Editor")), id);
}

// The history and the order learned go for good, so the menu asks first.
void TestHistoryBox::contextMenuClearsHistory_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("clears");
    QTest::newRow("yes") << int(Qt::Key_Y) << true;
    QTest::newRow("escape") << int(Qt::Key_Escape) << false;
    QTest::newRow("enter takes no") << int(Qt::Key_Return) << false;
}

void TestHistoryBox::contextMenuClearsHistory()
{
    QFETCH(int, answer);
    QFETCH(bool, clears);
    const QStringList history = { QStringLiteral("make"), QStringLiteral("ls -l") };
    box->setHistoryItems(history);
    QVERIFY(box->noteRun(QStringLiteral("make")));
    QVERIFY(QFile::exists(UsageRecord::standardFileName()));
    QSignalSpy cleared(box, &HistoryBox::historyCleared);
    showInDialog();

    QStringList shortcuts;
    bool asked = false;
    QTimer::singleShot(0, this, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        const QList<QAction *> actions = menu->actions();
        for (QAction *action : actions) {
            if (action->text() != QStringLiteral("Clear history"))
                continue;
            shortcuts.append(action->shortcut().toString());
            QTimer::singleShot(0, this, [&] {
                QWidget *question = QApplication::activeModalWidget();
                asked = qobject_cast<QMessageBox *>(question);
                if (question)
                    QTest::keyClick(question, Qt::Key(answer));
            });
            action->trigger();
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box, &event);

    QCOMPARE(shortcuts, QStringList(QString()));
    QVERIFY(asked);
    QCOMPARE(box->historyItems(), clears ? QStringList() : history);
    QCOMPARE(cleared.count(), clears ? 1 : 0);
    QCOMPARE(QFile::exists(UsageRecord::standardFileName()), !clears);

    // The list offers what the history holds now, and the program named like an entry.
    box->completer()->setCompletionPrefix(QStringLiteral("ls"));
    QCOMPARE(box->completer()->completionCount(), clears ? 0 : 1);
    box->completer()->setCompletionPrefix(QStringLiteral("mak"));
    QCOMPARE(box->completer()->currentCompletion(), QStringLiteral("make"));
}

// As in a shell; a text of the user's own is never replaced.
void TestHistoryBox::upAndDownInTheEmptyFieldRecallTheHistory()
{
    // A recalled path offers its folder's files, but opens no list by itself.
    const QString older = QStringLiteral("ls ") + fake->directory(QStringLiteral("bin/"));
    box->setHistoryItems({ QStringLiteral("newest"), older });
    showInDialog();
    QLineEdit *field = box->lineEdit();
    const auto press = [field](Qt::Key key) {
        QTest::keyClick(field, key);
        return field->text();
    };
    QCOMPARE(press(Qt::Key_Down), QString());
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("newest"));
    QCOMPARE(press(Qt::Key_Up), older);
    QTRY_VERIFY(box->completer()->completionCount() > 1);
    QVERIFY(!box->completer()->popup()->isVisible());
    QCOMPARE(press(Qt::Key_Up), older);
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("newest"));
    QCOMPARE(press(Qt::Key_Down), QString());
    QCOMPARE(press(Qt::Key_Up), QStringLiteral("newest"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(runs, QStringList(QStringLiteral("newest")));

    field->clear();
    QTest::keyClicks(field, QStringLiteral("zz"));
    QCOMPARE(press(Qt::Key_Down), QStringLiteral("zz"));
}

// What was run comes first among equal matches, also for the next dialog.
void TestHistoryBox::notedRunsRankTheList()
{
    box->setHistoryItems({});
    QVERIFY(box->noteRun(QStringLiteral("mandb")));
    box->setHistoryItems({});
    box->completer()->setCompletionPrefix(QStringLiteral("ma"));
    QCOMPARE(box->completer()->currentCompletion(), QStringLiteral("mandb"));
}

// The text of an application chosen or recalled stands for its entry until the
// user makes it a text of their own; words typed after the name are its arguments.
void TestHistoryBox::chosenApplicationStandsForItsEntry()
{
    box->setHistoryItems({ QStringLiteral("Viewer"), QStringLiteral("make") },
        { { QStringLiteral("Viewer"), QStringLiteral("org.example.Viewer") } });
    showInDialog();
    QLineEdit *field = box->lineEdit();

    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(box->chosenEntry(), QStringLiteral("org.example.Viewer"));
    QTest::keyClicks(field, QStringLiteral(" a.png"));
    QCOMPARE(box->chosenEntry(), QStringLiteral("org.example.Viewer"));
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    QVERIFY(box->chosenEntry().isEmpty());
    // Recalled again, the same entry of the history stands for it again.
    field->clear();
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(box->chosenEntry(), QStringLiteral("org.example.Viewer"));
    // Typed by hand, the same text is the user's own.
    field->clear();
    QTest::keyClicks(field, QStringLiteral("Viewer"));
    QVERIFY(box->chosenEntry().isEmpty());
    QTest::keyClick(field, Qt::Key_Up);

    box->chooseApplication(QStringLiteral("Editor"), QStringLiteral("org.example.Editor"));
    QCOMPARE(field->text(), QStringLiteral("Editor"));
    QCOMPARE(box->chosenEntry(), QStringLiteral("org.example.Editor"));
    box->addToHistory(QStringLiteral("Editor"), box->chosenEntry());
    box->addToHistory(QStringLiteral("make"));
    QCOMPARE(box->historyEntries().value(QStringLiteral("Editor")),
        QStringLiteral("org.example.Editor"));
    field->setText(QStringLiteral("make"));
    QVERIFY(box->chosenEntry().isEmpty());
}

// Older versions kept an application chosen in the list by its id.
void TestHistoryBox::entriesOfOlderVersionsNameTheirApplications()
{
    QVERIFY(fake->addApplication(QStringLiteral("org.example.Viewer"), "Name=Viewer\nExec=man\n"));
    QVERIFY(fake->addApplication(QStringLiteral("make"), "Name=Make It\nExec=make\n"));
    QSignalSpy named(box, &HistoryBox::applicationsNamed);
    box->setHistoryItems({ QStringLiteral("org.example.Viewer a.png"), QStringLiteral("make"),
                             QStringLiteral("Viewer"), QStringLiteral("org.example.Viewer") },
        { { QStringLiteral("Viewer"), QStringLiteral("org.example.Viewer") } });
    QVERIFY(named.wait());
    // A program of that name is what the text runs; the name stands once, where it was run last.
    QCOMPARE(box->historyItems(),
        QStringList(
            { QStringLiteral("Viewer a.png"), QStringLiteral("make"), QStringLiteral("Viewer") }));
    QCOMPARE(box->historyEntries().value(QStringLiteral("Viewer a.png")),
        QStringLiteral("org.example.Viewer"));
    QVERIFY(!box->historyEntries().contains(QStringLiteral("make")));
    showInDialog();
    QTest::keyClick(box->lineEdit(), Qt::Key_Up);
    QCOMPARE(box->lineEdit()->text(), QStringLiteral("Viewer a.png"));
    QCOMPARE(box->chosenEntry(), QStringLiteral("org.example.Viewer"));
    box->completer()->setCompletionPrefix(QStringLiteral("org"));
    QCOMPARE(box->completer()->completionCount(), 0);
}

void TestHistoryBox::activatedHistoryEntryRunsOnce()
{
    box->setHistoryItems({ QStringLiteral("ls -l"), QStringLiteral("make") });
    showInDialog();
    EnterCounter enter(box->lineEdit());

    activateCompletion(0);
    QTRY_COMPARE(runs.size(), 1);
    QTest::qWait(50);
    QCOMPARE(enter.textsAtEnter, QStringList(QStringLiteral("make")));
    QCOMPARE(runs, QStringList(QStringLiteral("make")));
}

void TestHistoryBox::activatedExecutableDoesNotRun()
{
    box->setHistoryItems({ QStringLiteral("ls -l"), QStringLiteral("make") });
    showInDialog();
    EnterCounter enter(box->lineEdit());

    activateCompletion(1);
    QTest::qWait(50);
    QCOMPARE(box->lineEdit()->text(), QStringLiteral("man"));
    QCOMPARE(enter.textsAtEnter, QStringList());
    QCOMPARE(runs, QStringList());
}

void TestHistoryBox::enterWithNoRowChosenRunsTheTypedText_data()
{
    QTest::addColumn<QCompleter::CompletionMode>("mode");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<bool>("firstRowDefault");
    QTest::addColumn<QString>("run");
    const QString typed = QStringLiteral("ma");
    QTest::newRow("popup, Return")
        << QCompleter::PopupCompletion << Qt::Key_Return << false << typed;
    QTest::newRow("popup, keypad Enter")
        << QCompleter::PopupCompletion << Qt::Key_Enter << false << typed;
    // The first match is the list's current row, but nobody chose it.
    QTest::newRow("unfiltered popup")
        << QCompleter::UnfilteredPopupCompletion << Qt::Key_Return << false << typed;
    // The window decides what the default row's Enter runs.
    QTest::newRow("default row") << QCompleter::PopupCompletion << Qt::Key_Return << true << typed;
    // What the field shows runs, the proposed rest of "make" with it.
    QTest::newRow("inline") << QCompleter::InlineCompletion << Qt::Key_Return << false
                            << QStringLiteral("make");
}

void TestHistoryBox::enterWithNoRowChosenRunsTheTypedText()
{
    QFETCH(QCompleter::CompletionMode, mode);
    QFETCH(Qt::Key, key);
    QFETCH(bool, firstRowDefault);
    QFETCH(QString, run);
    box->setHistoryItems({ QStringLiteral("make") });
    auto *completer = qobject_cast<CommandCompleter *>(box->completer());
    completer->setCompletionMode(mode);
    showInDialog();

    // Keys go to the box, which has the focus, as when the user types.
    QTest::keyClicks(box, QStringLiteral("ma"));
    QWidget *keyTarget = box;
    if (mode == QCompleter::InlineCompletion) {
        QCOMPARE(box->lineEdit()->text(), QStringLiteral("make"));
    } else {
        QTRY_VERIFY(completer->popup()->isVisible());
        keyTarget = completer->popup();
    }
    completer->setFirstRowDefault(firstRowDefault);
    // The window can still ask for the row the list offered.
    QString offeredAtRun;
    connect(dialog->findChild<QPushButton *>(), &QPushButton::clicked, this,
        [&] { offeredAtRun = completer->firstRow().text; });
    QTest::keyClick(keyTarget, key);
    QCOMPARE(
        offeredAtRun, mode == QCompleter::InlineCompletion ? QString() : QStringLiteral("make"));
    QCOMPARE(runs, QStringList { run });
    QVERIFY(!QApplication::activePopupWidget());
}

void TestHistoryBox::keysTheFieldDoesNotTakeReachTheDialog()
{
    box->setHistoryItems({ QStringLiteral("make") });
    auto *option = new QCheckBox(QStringLiteral("&Option"), dialog);
    showInDialog();

    QTest::keyClicks(box, QStringLiteral("ma"));
    QAbstractItemView *popup = box->completer()->popup();
    QTRY_VERIFY(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(option->isChecked());
    QVERIFY(!popup->isVisible());
    QCOMPARE(box->lineEdit()->text(), QStringLiteral("ma"));
    QCOMPARE(runs, QStringList());
}

QTEST_MAIN(TestHistoryBox)
#include "tst_historybox.moc"
