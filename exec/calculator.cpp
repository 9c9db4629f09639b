// SPDX-License-Identifier: GPL-2.0-or-later
#include "calculator.h"

#include "core/findcommandexecutable.h"
#include "exec/arithmetictranslation.h"

#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QRegExp>

// Long enough for any result worth reading, short enough that 9^9^9 gives up.
static const int evaluationTimeout = 5000;
// Far more than the field shows, far less than a runaway power prints.
static const int maximumResultLength = 4096;
// bc computes with 60 decimals (its scale below) and cuts what goes beyond.
// A value cut there ends in ten zeros once in ten billion times: one with
// fewer decimals is exact.
static const int exactDecimals = 50;
// What a value that is not exact is rounded to: its digits before the point stay.
static const int shownSignificantDigits = 12;

// r and p are the typed % and ^. The remainder is taken
// at scale 0, so that its quotient is whole and the remainder exact. A
// fractional power is computed with more decimals than the result has digits
// before its point, and a negative base has none (the division by zero says so).
static const char bcFunctions[] = R"bc(scale = 60
define r(a, b) {
    auto s, m
    s = scale
    scale = 0
    m = a % b
    scale = s
    return (m)
}
define p(a, b) {
    auto s, i, t, x, d
    s = scale
    scale = 0
    i = b / 1
    scale = s
    if (b == i) return (a ^ i)
    if (a < 0) return (1 / 0)
    if (a == 0) {
        if (b < 0) return (1 / 0)
        return (0)
    }
    t = s + 10 + length(i)
    scale = t
    x = e(b * l(a))
    d = length(x) - scale(x)
    if (d > 0) {
        scale = t + d
        x = e(b * l(a))
    }
    scale = s
    return (x / 1)
}
)bc";

bool isArithmeticExpression(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.at(0);
    if (!first.isNumber() && first != QLatin1Char('('))
        return false;
    return QRegExp(QStringLiteral("[a-zA-Z\\]\\[]")).indexIn(text) == -1;
}

// bc's own settings from the user's environment must not change its answers.
static QProcessEnvironment bcEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("BC_ENV_ARGS"));
    environment.remove(QStringLiteral("POSIXLY_CORRECT"));
    environment.insert(QStringLiteral("BC_LINE_LENGTH"), QStringLiteral("0"));
    return environment;
}

Calculator::Calculator(QObject *parent)
    : QObject(parent)
{
    deadline.setSingleShot(true);
    deadline.setInterval(evaluationTimeout);
    connect(&deadline, &QTimer::timeout, this, [this] { finish(NoValue); });
}

Calculator::~Calculator()
{
    stop();
}

void Calculator::evaluate(const QString &expression)
{
    if (evaluator && expression == runningExpression)
        return;
    stop();
    runningExpression = expression;
    output.clear();
    evaluator = new QProcess(this);
    connect(evaluator, &QProcess::readyReadStandardOutput, this, &Calculator::readOutput);
    connect(evaluator, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
        &Calculator::readResult);
    connect(evaluator, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(NoValue);
    });
    deadline.start();

    // Neither evaluator gets anything but the translation: no shell sees the typed text.
    decimalSign = QLocale().decimalPoint();
    const QString bc = findCommandExecutable(QStringLiteral("bc"));
    const QString translation = translatedArithmetic(expression,
        bc.isEmpty() ? ArithmeticEvaluator::Shell : ArithmeticEvaluator::Bc, decimalSign);
    if (translation.isEmpty()) {
        const Outcome outcome = bc.isEmpty()
                && !translatedArithmetic(expression, ArithmeticEvaluator::Bc, decimalSign).isEmpty()
            ? NeedsBc
            : NoValue;
        // Never started: the process object only marks this evaluation as the current one.
        const QPointer<QProcess> unstarted = evaluator;
        QMetaObject::invokeMethod(
            this,
            [this, unstarted, outcome] {
                if (unstarted && unstarted == evaluator)
                    finish(outcome);
            },
            Qt::QueuedConnection);
    } else if (!bc.isEmpty()) {
        evaluator->setProcessEnvironment(bcEnvironment());
        evaluator->start(bc, { QStringLiteral("-l") });
        evaluator->write(bcFunctions);
        evaluator->write(translation.toLatin1() + '\n');
        evaluator->closeWriteChannel();
    } else {
        evaluator->start(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("echo $((%1))").arg(translation) });
    }
}

void Calculator::readOutput()
{
    output += evaluator->readAllStandardOutput();
    if (output.size() > maximumResultLength)
        finish(TooLong);
}

// Adds one to the whole number written in @p digits; false when it needs one more digit.
static bool incremented(QString &digits)
{
    for (int i = digits.size() - 1; i >= 0; --i) {
        if (digits.at(i) != QLatin1Char('9')) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
            return true;
        }
        digits[i] = QLatin1Char('0');
    }
    return false;
}

// bc's @p value as the user reads it: with @p decimalSign, "0" before a
// leading point, no zeros at the end; an inexact value rounded.
static QString shownValue(const QString &value, QChar decimalSign)
{
    const bool negative = value.startsWith(QLatin1Char('-'));
    const QString magnitude = value.mid(negative ? 1 : 0);
    int wholeLength = magnitude.indexOf(QLatin1Char('.'));
    if (wholeLength < 0)
        wholeLength = magnitude.size();
    QString digits = magnitude.left(wholeLength) + magnitude.mid(wholeLength + 1);
    const auto dropTrailingZeros = [&] {
        while (digits.size() > wholeLength && digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
    };
    dropTrailingZeros();

    if (digits.size() - wholeLength >= exactDecimals) {
        int firstSignificant = 0;
        while (firstSignificant < digits.size() && digits.at(firstSignificant) == QLatin1Char('0'))
            ++firstSignificant;
        const int kept = qMax(wholeLength, firstSignificant + shownSignificantDigits);
        if (kept < digits.size()) {
            const bool roundsUp = digits.at(kept) >= QLatin1Char('5');
            digits.truncate(kept);
            if (roundsUp && !incremented(digits)) {
                digits.prepend(QLatin1Char('1'));
                ++wholeLength;
            }
            dropTrailingZeros();
        }
    }

    QString whole = digits.left(wholeLength);
    const QString fraction = digits.mid(wholeLength);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    const bool zero = fraction.isEmpty() && whole == QLatin1String("0");
    return (negative && !zero ? QStringLiteral("-") : QString()) + whole
        + (fraction.isEmpty() ? QString() : decimalSign + fraction);
}

void Calculator::readResult()
{
    readOutput();
    if (!evaluator)
        return;
    const QString result = QString::fromLatin1(output).trimmed();
    // Errors go to the standard error, and leave nothing or half a line on the output.
    const bool isNumber = QRegExp(QStringLiteral("-?[0-9]*\\.?[0-9]+")).exactMatch(result);
    if (!isNumber || evaluator->exitStatus() != QProcess::NormalExit
        || !evaluator->readAllStandardError().isEmpty()) {
        finish(NoValue);
        return;
    }
    finish(Value, shownValue(result, decimalSign));
}

void Calculator::stop()
{
    deadline.stop();
    if (!evaluator)
        return;
    evaluator->disconnect(this);
    // Killed, a busy bc goes at once; the process object must not wait for it.
    evaluator->kill();
    evaluator->waitForFinished(1000);
    evaluator->deleteLater();
    evaluator = nullptr;
}

void Calculator::finish(Outcome outcome, const QString &result)
{
    if (!evaluator)
        return;
    const QString expression = runningExpression;
    stop();
    Q_EMIT evaluated(expression, result, outcome);
}
