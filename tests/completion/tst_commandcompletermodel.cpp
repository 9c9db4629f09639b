// SPDX-License-Identifier: GPL-2.0-or-later
#include "completion/commandcompletermodel.h"
#include "fakesearchpath.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>

class TestCommandCompleterModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void historyRowsComeFirst();
    void historyIsASnapshot();
    void dataForEveryKindOfIndex();
    void hiddenExecutablesLeaveBehindTheHistory();
    void directoryChangeResetsModel();

private:
    FakeSearchPath *fake = nullptr;
    QString bin;
};

static QStringList rows(const QAbstractItemModel &model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.data(model.index(row, 0)).toString());
    return names;
}

void TestCommandCompleterModel::init()
{
    fake = new FakeSearchPath;
    bin = fake->directory(QStringLiteral("bin"));
    fake->addProgram(bin, QStringLiteral("make"));
    fake->addProgram(bin, QStringLiteral("man"));
    fake->addProgram(bin, QStringLiteral("mandb"), false);
    FakeSearchPath::setSearchPath({ bin });
}

void TestCommandCompleterModel::cleanup()
{
    delete fake;
    fake = nullptr;
}

void TestCommandCompleterModel::historyRowsComeFirst()
{
    QStringListModel history({ QStringLiteral("ls -l"), QStringLiteral("make") });
    CommandCompleterModel model(&history, nullptr);
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("ls -l"), QStringLiteral("make"), QStringLiteral("man"),
            QStringLiteral("mandb") }));
    QVERIFY(model.isHistoryRow(model.index(1, 0)));
    QVERIFY(!model.isHistoryRow(model.index(2, 0)));
    QVERIFY(!model.isHistoryRow(QModelIndex()));
}

void TestCommandCompleterModel::historyIsASnapshot()
{
    QStringListModel history({ QStringLiteral("top") });
    CommandCompleterModel model(&history, nullptr);
    history.setStringList({});
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("top"));
}

void TestCommandCompleterModel::dataForEveryKindOfIndex()
{
    QStringListModel history({ QStringLiteral("ls -l") });
    CommandCompleterModel model(&history, nullptr);
    QVERIFY(!model.data(QModelIndex()).isValid());
    QVERIFY(!model.data(QModelIndex(), Qt::EditRole).isValid());
    QCOMPARE(model.data(model.index(0, 0), Qt::EditRole).toString(), QStringLiteral("ls -l"));
    QVERIFY(!model.data(model.index(0, 0), Qt::DecorationRole).isValid());
    QCOMPARE(model.data(model.index(1, 0), Qt::DecorationRole).userType(), qMetaTypeId<QIcon>());
    QVERIFY(!model.data(model.index(model.rowCount(), 0)).isValid());
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
}

void TestCommandCompleterModel::hiddenExecutablesLeaveBehindTheHistory()
{
    fake->addProgram(bin, QStringLiteral("mab"), false);
    fake->addProgram(bin, QStringLiteral("mac"));
    QStringListModel history({ QStringLiteral("ls -l"), QStringLiteral("make") });
    CommandCompleterModel model(&history, nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("ls -l"), QStringLiteral("make"), QStringLiteral("mab"),
            QStringLiteral("mac"), QStringLiteral("man"), QStringLiteral("mandb") }));
    QSignalSpy aboutToChange(&model, &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy changed(&model, &QAbstractItemModel::layoutChanged);
    const QPersistentModelIndex history1 = model.index(1, 0);
    const QPersistentModelIndex hiddenMab = model.index(2, 0);
    const QPersistentModelIndex keptMan = model.index(4, 0);
    const QPersistentModelIndex hiddenMandb = model.index(5, 0);

    model.setTypedText(QStringLiteral("ma"), false);
    QCOMPARE(aboutToChange.count(), 1);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("ls -l"), QStringLiteral("make"), QStringLiteral("mac"),
            QStringLiteral("man") }));
    QCOMPARE(history1.row(), 1);
    QCOMPARE(keptMan.row(), 3);
    QCOMPARE(keptMan.data().toString(), QStringLiteral("man"));
    QVERIFY(!hiddenMab.isValid());
    QVERIFY(!hiddenMandb.isValid());
}

void TestCommandCompleterModel::directoryChangeResetsModel()
{
    QStringListModel history({ QStringLiteral("make") });
    CommandCompleterModel model(&history, nullptr);
    QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    fake->addProgram(bin, QStringLiteral("fresh"));
    QVERIFY(reset.wait(5000));
    QCOMPARE(aboutToReset.count(), reset.count());
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("make"), QStringLiteral("fresh"), QStringLiteral("man"),
            QStringLiteral("mandb") }));
}

QTEST_GUILESS_MAIN(TestCommandCompleterModel)
#include "tst_commandcompletermodel.moc"
