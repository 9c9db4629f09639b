// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/calculator.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The result of one evaluation, waited for.
static QString calculate(const QString &expression)
{
    Calculator calculator;
    QSignalSpy evaluated(&calculator, &Calculator::evaluated);
    calculator.evaluate(expression);
    if (!evaluated.wait(10000))
        return QStringLiteral("<no result>");
    return evaluated.first().at(1).toString();
}

class CalculatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void withBc_data();
    void withBc();
    void joinsLongResults();
    void withShell_data();
    void withShell();
    void runsNothingInjected_data();
    void runsNothingInjected();
    void newerExpressionReplacesARunningOne();

private:
    void hideBc();

    QByteArray savedPath;
    QTemporaryDir scratch;
};

void CalculatorTest::initTestCase()
{
    savedPath = qgetenv("PATH");
    QVERIFY(scratch.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("bc")).isEmpty())
        QSKIP("bc is not installed");
}

void CalculatorTest::cleanup()
{
    qputenv("PATH", savedPath);
}

// A search path with the shell but without bc.
void CalculatorTest::hideBc()
{
    const QString bin = scratch.filePath(QStringLiteral("bin"));
    if (!QFile::exists(bin)) {
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QFile::link(QStringLiteral("/bin/sh"), bin + QStringLiteral("/sh")));
    }
    qputenv("PATH", QFile::encodeName(bin));
    QVERIFY(QStandardPaths::findExecutable(QStringLiteral("bc")).isEmpty());
}

void CalculatorTest::withBc_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    QTest::newRow("division keeps eight digits")
        << QStringLiteral("7/2") << QStringLiteral("3.50000000");
    QTest::newRow("power") << QStringLiteral("2^10") << QStringLiteral("1024");
    QTest::newRow("parentheses") << QStringLiteral("(1+2)*3") << QStringLiteral("9");
    QTest::newRow("syntax error") << QStringLiteral("1+*") << QString();
    QTest::newRow("single quote") << QStringLiteral("1'+2") << QString();
    QTest::newRow("percent two") << QStringLiteral("2%2") << QStringLiteral("0");
}

void CalculatorTest::withBc()
{
    QFETCH(QString, expression);
    QFETCH(QString, result);
    QCOMPARE(calculate(expression), result);
}

void CalculatorTest::joinsLongResults()
{
    const QString result = calculate(QStringLiteral("2^400"));
    QVERIFY(result.contains(QLatin1Char(' ')));
    QString digits = result;
    digits.remove(QLatin1String("\\ "));
    QCOMPARE(digits,
        QStringLiteral("258224987808690858965591917200301187432970579282922351283065935654064762"
                       "2016841194629645353280137831435903171972747493376"));
}

void CalculatorTest::withShell_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    QTest::newRow("integer division") << QStringLiteral("7/2") << QStringLiteral("3");
    QTest::newRow("caret is exclusive or") << QStringLiteral("2^10") << QStringLiteral("8");
    QTest::newRow("parentheses") << QStringLiteral("(1+2)*3") << QStringLiteral("9");
    QTest::newRow("comparison and shift") << QStringLiteral("(1<<4) >= 16") << QStringLiteral("1");
    QTest::newRow("syntax error") << QStringLiteral("1+*") << QString();
    QTest::newRow("unbalanced parentheses") << QStringLiteral("1))+((2") << QString();
}

void CalculatorTest::withShell()
{
    QFETCH(QString, expression);
    QFETCH(QString, result);
    hideBc();
    QCOMPARE(calculate(expression), result);
}

void CalculatorTest::runsNothingInjected_data()
{
    QTest::addColumn<bool>("bc");
    QTest::addColumn<QString>("attack");
    const QString touch = QStringLiteral("touch ") + scratch.filePath(QStringLiteral("marker"));
    const QStringList attacks = {
        QStringLiteral("1$(%1)").arg(touch),
        QStringLiteral("1`%1`").arg(touch),
        QStringLiteral("1;%1").arg(touch),
        QStringLiteral("1)); %1; echo $((1").arg(touch),
        QStringLiteral("1' ; %1 ; '").arg(touch),
        QStringLiteral("1\"$(%1)\"").arg(touch),
        QStringLiteral("1\n%1").arg(touch),
    };
    for (bool bc : { true, false }) {
        for (int i = 0; i < attacks.size(); ++i)
            QTest::addRow("%s %d", bc ? "bc" : "shell", i) << bc << attacks.at(i);
    }
}

void CalculatorTest::runsNothingInjected()
{
    QFETCH(bool, bc);
    QFETCH(QString, attack);
    if (!bc)
        hideBc();
    const QString marker = scratch.filePath(QStringLiteral("marker"));
    calculate(attack);
    QVERIFY2(!QFile::exists(marker), qPrintable(attack));
}

void CalculatorTest::newerExpressionReplacesARunningOne()
{
    Calculator calculator;
    QSignalSpy evaluated(&calculator, &Calculator::evaluated);
    // bc is busy with this one for many seconds.
    calculator.evaluate(QStringLiteral("2^(2^30)"));
    calculator.evaluate(QStringLiteral("2^(2^30)"));
    QVERIFY(evaluated.isEmpty());
    calculator.evaluate(QStringLiteral("6*7"));
    QVERIFY(evaluated.wait(10000));
    QCOMPARE(evaluated.first(), QVariantList({ QStringLiteral("6*7"), QStringLiteral("42") }));
    QTest::qWait(100);
    QCOMPARE(evaluated.size(), 1);
}

QTEST_GUILESS_MAIN(CalculatorTest)
#include "tst_calculator.moc"
