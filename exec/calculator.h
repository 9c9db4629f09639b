// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CALCULATOR_H
#define CALCULATOR_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QProcess;

/**
 * Whether the text of the command field is an expression to evaluate in
 * place: it begins with a number or an opening parenthesis and holds no
 * ASCII letter and no square bracket.
 */
bool isArithmeticExpression(const QString &text);

/**
 * Evaluates arithmetic expressions (see translatedArithmetic()) with bc, or
 * with the shell's integer arithmetic when bc is not installed, in a process
 * of their own, so the caller never waits for the evaluator. One evaluation
 * runs at a time.
 *
 * Numbers are read and shown with the decimal sign of the default locale
 * (QLocale()), and a point is read as one too: 3,5+1 is 4,5 under a German
 * locale. bc computes with 60 decimals; a value shows as many as it has (7/2
 * is 3.5, 1/8 is 0.125), and one that needs more than bc keeps is rounded to
 * 12 significant digits, all digits before its point kept (2/3 is
 * 0.666666666667, 1/3*3 is 1). The remainder a % b is a - q * b for the whole
 * quotient q of a / b (5 % 3 is 2, 7.5 % 2 is 1.5, -7 % 2 is -1). A
 * fractional power of a positive number comes from its logarithm (4^0.5 is
 * 2, 2^0.5 is 1.41421356237); of a negative number it has no value. Without
 * bc only whole numbers with + - * % are computed, so that no result is cut
 * short.
 */
class Calculator : public QObject
{
    Q_OBJECT

public:
    /** How an evaluation ended. */
    enum Outcome {
        /** The result holds the value: one line, a "0" before a leading decimal sign. */
        Value,
        /**
         * No value, shown as "Cannot calculate this expression": text that is
         * not such arithmetic, a division by zero, a fractional power of a
         * negative number, a failed start, or an evaluator still busy after
         * five seconds. The result is empty.
         */
        NoValue,
        /**
         * No value because bc is not installed, and the shell cannot compute
         * the expression exactly: a division, a power or a fraction. Shown as
         * "Install bc to calculate this". The result is empty.
         */
        NeedsBc,
        /**
         * The value has 4096 characters or more; the evaluator was stopped
         * there, and the result is empty. Shown as "result too long".
         */
        TooLong,
    };
    Q_ENUM(Outcome)

    explicit Calculator(QObject *parent = nullptr);
    ~Calculator() override;

    /**
     * Starts evaluating @p expression, dropping an evaluation of another one
     * that still runs; nothing happens while @p expression itself is running.
     * The result arrives with evaluated(), never before this call returns.
     */
    void evaluate(const QString &expression);

Q_SIGNALS:
    /**
     * The evaluation of @p expression ended with @p outcome. @p result is
     * the value for Value, and empty otherwise.
     */
    void evaluated(const QString &expression, const QString &result, Calculator::Outcome outcome);

private:
    void readOutput();
    void readResult();
    void stop();
    void finish(Outcome outcome, const QString &result = QString());

    QProcess *evaluator = nullptr;
    QString runningExpression;
    QByteArray output;
    // The user's decimal sign when the evaluation started.
    QChar decimalSign;
    QTimer deadline;
};

#endif
