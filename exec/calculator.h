// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CALCULATOR_H
#define CALCULATOR_H

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
 * Evaluates arithmetic expressions with bc, or with the shell's integer
 * arithmetic when bc is not installed, in a process of their own, so the
 * caller never waits for the evaluator. One evaluation runs at a time.
 */
class Calculator : public QObject
{
    Q_OBJECT

public:
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
     * The evaluation of @p expression ended. @p result is the evaluator's
     * output with white space simplified (a result bc splits over several
     * lines comes back joined by blanks), or empty when nothing was read: a
     * syntax error, a failed start, an evaluator still busy after five
     * seconds, or, without bc, an expression that is more than digits,
     * blanks, the shell's arithmetic operators and balanced parentheses.
     */
    void evaluated(const QString &expression, const QString &result);

private:
    void stop();
    void finish(const QString &result);

    QProcess *evaluator = nullptr;
    QString runningExpression;
    QTimer deadline;
};

#endif
