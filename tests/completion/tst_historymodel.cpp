// SPDX-License-Identifier: GPL-2.0-or-later
#include "completion/historymodel.h"

#include <QTest>

Q_DECLARE_METATYPE(Qt::MatchFlags)

// Every search answers what the generic one of a plain string list model answers.
class TestHistoryModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchAnswersLikeTheGenericSearch_data();
    void matchAnswersLikeTheGenericSearch();
};

void TestHistoryModel::matchAnswersLikeTheGenericSearch_data()
{
    QTest::addColumn<int>("startRow");
    QTest::addColumn<int>("role");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("hits");
    QTest::addColumn<Qt::MatchFlags>("flags");
    const QVariant ls = QStringLiteral("ls -l");
    const Qt::MatchFlags fixed = Qt::MatchFixedString;
    QTest::newRow("exact") << 0 << int(Qt::DisplayRole) << ls << 1
                           << Qt::MatchFlags(Qt::MatchExactly);
    QTest::newRow("exact, all hits")
        << 0 << int(Qt::EditRole) << ls << -1 << Qt::MatchFlags(Qt::MatchExactly);
    QTest::newRow("exact, from row 2")
        << 2 << int(Qt::DisplayRole) << ls << -1 << Qt::MatchFlags(Qt::MatchExactly);
    QTest::newRow("fixed, any case") << 0 << int(Qt::DisplayRole) << ls << -1 << fixed;
    QTest::newRow("fixed, case") << 0 << int(Qt::DisplayRole) << ls << -1
                                 << (fixed | Qt::MatchCaseSensitive);
    QTest::newRow("empty text") << 0 << int(Qt::DisplayRole) << QVariant(QString()) << -1
                                << (fixed | Qt::MatchCaseSensitive);
    QTest::newRow("wrapping") << 3 << int(Qt::DisplayRole) << ls << -1 << (fixed | Qt::MatchWrap);
    QTest::newRow("starts with") << 0 << int(Qt::DisplayRole) << QVariant(QStringLiteral("LS"))
                                 << -1 << Qt::MatchFlags(Qt::MatchStartsWith);
    QTest::newRow("other role") << 0 << int(Qt::ToolTipRole) << ls << -1
                                << Qt::MatchFlags(Qt::MatchExactly);
    QTest::newRow("a number") << 0 << int(Qt::DisplayRole) << QVariant(5) << -1
                              << Qt::MatchFlags(Qt::MatchExactly);
}

void TestHistoryModel::matchAnswersLikeTheGenericSearch()
{
    QFETCH(int, startRow);
    QFETCH(int, role);
    QFETCH(QVariant, value);
    QFETCH(int, hits);
    QFETCH(Qt::MatchFlags, flags);
    const QStringList entries = { QStringLiteral("ls -l"), QStringLiteral("LS -L"), QString(),
        QStringLiteral("ls -l"), QStringLiteral("5"), QStringLiteral("ls -la") };
    HistoryModel history;
    history.setStringList(entries);
    QStringListModel plain(entries);

    const auto rows = [](const QModelIndexList &found) {
        QList<int> numbers;
        for (const QModelIndex &index : found)
            numbers.append(index.row());
        return numbers;
    };
    QCOMPARE(rows(history.match(history.index(startRow, 0), role, value, hits, flags)),
        rows(plain.match(plain.index(startRow, 0), role, value, hits, flags)));
}

QTEST_GUILESS_MAIN(TestHistoryModel)
#include "tst_historymodel.moc"
