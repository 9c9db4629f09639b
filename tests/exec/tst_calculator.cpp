// SPDX-License-Identifier: GPL-2.0-or-later
#include "exec/calculator.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The result of one evaluation, waited for: the value, "" for none, "<too long>" or
// "<needs bc>".
static QString calculate(const QString &expression)
{
    Calculator calculator;
    QSignalSpy evaluated(&calculator, &Calculator::evaluated);
    calculator.evaluate(expression);
    if (!evaluated.wait(10000))
        return QStringLiteral("<no result>");
    switch (evaluated.first().at(2).value<Calculator::Outcome>()) {
    case Calculator::TooLong:
        return QStringLiteral("<too long>");
    case Calculator::NeedsBc:
        return QStringLiteral("<needs bc>");
    default:
        break;
    }
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
    qRegisterMetaType<Calculator::Outcome>();
    savedPath = qgetenv("PATH");
    QVERIFY(scratch.isValid());
    if (QStandardPaths::findExecutable(QStringLiteral("bc")).isEmpty())
        QSKIP("bc is not installed");
}

void CalculatorTest::cleanup()
{
    qputenv("PATH", savedPath);
    QLocale::setDefault(QLocale::c());
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
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    const QString c = QStringLiteral("C");
    const QString german = QStringLiteral("de_DE");
    QTest::newRow("division shows the decimals it has")
        << c << QStringLiteral("7/2") << QStringLiteral("3.5");
    QTest::newRow("eighth") << c << QStringLiteral("1/8") << QStringLiteral("0.125");
    QTest::newRow("endless division rounds")
        << c << QStringLiteral("2/3") << QStringLiteral("0.666666666667");
    QTest::newRow("rounded up to a whole") << c << QStringLiteral("1/3*3") << QStringLiteral("1");
    QTest::newRow("tiny value") << c << QStringLiteral("1/10^12")
                                << QStringLiteral("0.000000000001");
    QTest::newRow("tiny endless value")
        << c << QStringLiteral("1/3/10^9") << QStringLiteral("0.000000000333333333333");
    QTest::newRow("negative below one") << c << QStringLiteral("0-1/4") << QStringLiteral("-0.25");
    QTest::newRow("fewer decimals stay")
        << c << QStringLiteral("1.5*1.5") << QStringLiteral("2.25");
    QTest::newRow("comma is no decimal sign") << c << QStringLiteral("3,5+1") << QString();
    QTest::newRow("decimal comma") << german << QStringLiteral("3,5+1") << QStringLiteral("4,5");
    QTest::newRow("decimal comma in the result")
        << german << QStringLiteral("1/8") << QStringLiteral("0,125");
    QTest::newRow("point read under a decimal comma")
        << german << QStringLiteral("0.5*3") << QStringLiteral("1,5");
    QTest::newRow("whole numbers under a decimal comma")
        << german << QStringLiteral("2^10") << QStringLiteral("1024");
    QTest::newRow("power") << c << QStringLiteral("2^10") << QStringLiteral("1024");
    QTest::newRow("power before the sign")
        << c << QStringLiteral("2*-3^2") << QStringLiteral("-18");
    QTest::newRow("power from the right") << c << QStringLiteral("2^3^2") << QStringLiteral("512");
    QTest::newRow("negative exponent") << c << QStringLiteral("2^-1") << QStringLiteral("0.5");
    QTest::newRow("fractional exponent")
        << c << QStringLiteral("2^0.5") << QStringLiteral("1.41421356237");
    QTest::newRow("square root") << c << QStringLiteral("4^0.5") << QStringLiteral("2");
    QTest::newRow("root through a division")
        << c << QStringLiteral("8^(1/3)") << QStringLiteral("2");
    QTest::newRow("large fractional power keeps its whole digits")
        << c << QStringLiteral("10^20.5") << QStringLiteral("316227766016837933200");
    QTest::newRow("fractional power of a negative")
        << c << QStringLiteral("(0-8)^0.5") << QString();
    QTest::newRow("whole remainder") << c << QStringLiteral("5%3") << QStringLiteral("2");
    QTest::newRow("no remainder") << c << QStringLiteral("2%2") << QStringLiteral("0");
    QTest::newRow("negative remainder") << c << QStringLiteral("(0-7)%2") << QStringLiteral("-1");
    QTest::newRow("remainder of a fraction")
        << c << QStringLiteral("7.5%2") << QStringLiteral("1.5");
    QTest::newRow("remainder after division")
        << c << QStringLiteral("7/2%1") << QStringLiteral("0.5");
    QTest::newRow("leading zeros") << c << QStringLiteral("010+.5") << QStringLiteral("10.5");
    QTest::newRow("parentheses") << c << QStringLiteral("(1+2)*3") << QStringLiteral("9");
    QTest::newRow("long result on one line")
        << c << QStringLiteral("2^400")
        << QStringLiteral("258224987808690858965591917200301187432970579282922351283065935654064762"
                          "2016841194629645353280137831435903171972747493376");
    QTest::newRow("result too long")
        << c << QStringLiteral("10^9999999") << QStringLiteral("<too long>");
    QTest::newRow("division by zero") << c << QStringLiteral("1/0") << QString();
    QTest::newRow("remainder by zero") << c << QStringLiteral("1%0") << QString();
    QTest::newRow("syntax error") << c << QStringLiteral("1+*") << QString();
    QTest::newRow("two points") << c << QStringLiteral("1.2.3") << QString();
    QTest::newRow("two statements") << c << QStringLiteral("1;2") << QString();
    QTest::newRow("comparison") << c << QStringLiteral("1==1") << QString();
    QTest::newRow("single quote") << c << QStringLiteral("1'+2") << QString();
    QTest::newRow("nested too deep")
        << c << QString(200, QLatin1Char('(')) + QLatin1Char('1') + QString(200, QLatin1Char(')'))
        << QString();
}

void CalculatorTest::withBc()
{
    QFETCH(QString, locale);
    QFETCH(QString, expression);
    QLocale::setDefault(QLocale(locale));
    QFETCH(QString, result);
    QCOMPARE(calculate(expression), result);
}

void CalculatorTest::withShell_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("result");
    const QString needsBc = QStringLiteral("<needs bc>");
    QTest::newRow("division needs bc") << QStringLiteral("7/2") << needsBc;
    QTest::newRow("power needs bc") << QStringLiteral("2^10") << needsBc;
    QTest::newRow("fraction needs bc") << QStringLiteral("1.5+1") << needsBc;
    QTest::newRow("parentheses") << QStringLiteral("(1+2)*3") << QStringLiteral("9");
    QTest::newRow("remainder") << QStringLiteral("5%3") << QStringLiteral("2");
    QTest::newRow("signs") << QStringLiteral("2*-(3-+5)") << QStringLiteral("4");
    QTest::newRow("leading zero is no octal") << QStringLiteral("010+1") << QStringLiteral("11");
    QTest::newRow("eighteen digits")
        << QStringLiteral("999999999*999999999") << QStringLiteral("999999998000000001");
    QTest::newRow("more digits than never overflow")
        << QStringLiteral("9999999999*9999999999") << needsBc;
    QTest::newRow("comparison and shift") << QStringLiteral("(1<<4) >= 16") << QString();
    QTest::newRow("remainder by zero") << QStringLiteral("1%0") << QString();
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
    QCOMPARE(evaluated.first().at(0).toString(), QStringLiteral("6*7"));
    QCOMPARE(evaluated.first().at(1).toString(), QStringLiteral("42"));
    QTest::qWait(100);
    QCOMPARE(evaluated.size(), 1);
}

QTEST_GUILESS_MAIN(CalculatorTest)
#include "tst_calculator.moc"
