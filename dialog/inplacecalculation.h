// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INPLACECALCULATION_H
#define INPLACECALCULATION_H

#include "exec/calculator.h"

#include <QObject>

class LaunchPlan;
class QLineEdit;
struct LaunchOptions;

/**
 * The value of an expression typed into the command field: evaluated in the
 * background while the user types, and put into the field in place of the
 * expression at Run, at once or as soon as it arrives.
 */
class InPlaceCalculation : public QObject
{
    Q_OBJECT

public:
    /** Evaluates what is typed into @p field, its parent. */
    explicit InPlaceCalculation(QLineEdit *field);

    /** Fills in the expression evaluated last, its value and how that ended. */
    void fill(LaunchOptions *options) const;
    /** Starts evaluating @p expression; nothing happens while it is evaluated already. */
    void evaluate(const QString &expression);
    /**
     * Run on @p plan, a Calculate plan: its value replaces the expression
     * now, or when it arrives unless the text changes first; an expression
     * without a value stays.
     */
    void putIntoField(const LaunchPlan &plan);
    /** The field's text changed: a value still on its way stays out of it. */
    void textChanged() { m_wanted = false; }

Q_SIGNALS:
    /** The value of the field's text arrived, and is not put into the field. */
    void valueArrived();

private:
    void evaluated(const QString &expression, const QString &value, Calculator::Outcome outcome);

    QLineEdit *m_field;
    Calculator *m_calculator;
    QString m_expression;
    QString m_value;
    Calculator::Outcome m_outcome = Calculator::NoValue;
    // Run was pressed on an expression whose value had not arrived yet.
    bool m_wanted = false;
};

#endif
