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
    void typingScreensTheMatchedExecutables();
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
    QCOMPARE(model.rowCount(), 0);
    model.setTypedText(QStringLiteral("ma"), false);
    QCOMPARE(rows(model), QStringList({ QStringLiteral("make"), QStringLiteral("man") }));
    QCOMPARE(model.rowKind(model.index(0, 0)), CommandCompleterModel::RowKind::History);
    QCOMPARE(model.rowKind(model.index(1, 0)), CommandCompleterModel::RowKind::Program);
    QCOMPARE(model.rowKind(QModelIndex()), CommandCompleterModel::RowKind::None);
}

void TestCommandCompleterModel::historyIsASnapshot()
{
    QStringListModel history({ QStringLiteral("top") });
    CommandCompleterModel model(&history, nullptr);
    history.setStringList({});
    model.setTypedText(QStringLiteral("t"), false);
    QCOMPARE(rows(model), QStringList(QStringLiteral("top")));
}

void TestCommandCompleterModel::dataForEveryKindOfIndex()
{
    QStringListModel history({ QStringLiteral("ls -l") });
    CommandCompleterModel model(&history, nullptr);
    model.setTypedText(QStringLiteral("l"), false);
    QVERIFY(!model.data(QModelIndex()).isValid());
    QVERIFY(!model.data(QModelIndex(), Qt::EditRole).isValid());
    QCOMPARE(model.data(model.index(0, 0), Qt::EditRole).toString(), QStringLiteral("ls -l"));
    QCOMPARE(model.data(model.index(0, 0), CommandCompleterModel::CompletionKeyRole).toString(),
        QStringLiteral("l"));
    QCOMPARE(model.data(model.index(0, 0), Qt::DecorationRole).userType(), qMetaTypeId<QIcon>());
    model.setTypedText(QStringLiteral("m"), false);
    QCOMPARE(model.data(model.index(1, 0), Qt::DecorationRole).userType(), qMetaTypeId<QIcon>());
    QVERIFY(!model.data(model.index(model.rowCount(), 0)).isValid());
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
}

// Each typed text is one reset; the names it matches are screened first.
void TestCommandCompleterModel::typingScreensTheMatchedExecutables()
{
    fake->addProgram(bin, QStringLiteral("mab"), false);
    fake->addProgram(bin, QStringLiteral("mac"));
    QStringListModel history({ QStringLiteral("ls -l"), QStringLiteral("make") });
    CommandCompleterModel model(&history, nullptr);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    model.setTypedText(QStringLiteral("ma"), false);
    model.setTypedText(QStringLiteral("ma"), false);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(rows(model),
        QStringList({ QStringLiteral("make"), QStringLiteral("mac"), QStringLiteral("man") }));
    // Inline completion keeps the rows that go on from the text as typed.
    model.setTypedText(QStringLiteral("Ma"), true);
    QCOMPARE(rows(model), QStringList());
}

void TestCommandCompleterModel::directoryChangeResetsModel()
{
    QStringListModel history({ QStringLiteral("make") });
    CommandCompleterModel model(&history, nullptr);
    model.setTypedText(QStringLiteral("fr"), false);
    QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    fake->addProgram(bin, QStringLiteral("fresh"));
    QVERIFY(reset.wait(5000));
    QCOMPARE(aboutToReset.count(), reset.count());
    QCOMPARE(rows(model), QStringList(QStringLiteral("fresh")));
}

QTEST_GUILESS_MAIN(TestCommandCompleterModel)
#include "tst_commandcompletermodel.moc"
