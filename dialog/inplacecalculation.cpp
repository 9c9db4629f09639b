// SPDX-License-Identifier: GPL-2.0-or-later
#include "inplacecalculation.h"

#include "exec/launchplan.h"

#include <QLineEdit>

InPlaceCalculation::InPlaceCalculation(QLineEdit *field)
    : QObject(field)
    , m_field(field)
    , m_calculator(new Calculator(this))
{
    connect(m_calculator, &Calculator::evaluated, this, &InPlaceCalculation::evaluated);
}

void InPlaceCalculation::fill(LaunchOptions *options) const
{
    options->calculatedExpression = m_expression;
    options->calculatedValue = m_value;
    options->calculationOutcome = m_outcome;
}

void InPlaceCalculation::evaluate(const QString &expression)
{
    m_calculator->evaluate(expression);
}

void InPlaceCalculation::putIntoField(const LaunchPlan &plan)
{
    if (plan.valueKnown()) {
        if (!plan.value().isEmpty())
            m_field->setText(plan.value());
        return;
    }
    m_wanted = true;
    m_calculator->evaluate(plan.classification().text);
}

void InPlaceCalculation::evaluated(
    const QString &expression, const QString &value, Calculator::Outcome outcome)
{
    m_expression = expression;
    m_value = value;
    m_outcome = outcome;
    if (expression != m_field->text().simplified())
        return;
    if (m_wanted) {
        m_wanted = false;
        if (!value.isEmpty()) {
            m_field->setText(value);
            return;
        }
    }
    Q_EMIT valueArrived();
}
