// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CALCULATOR_H
#define CALCULATOR_H

#include <QString>

/**
 * Whether the text of the command field is an expression to evaluate in
 * place: it begins with a number or an opening parenthesis and holds no
 * ASCII letter and no square bracket.
 */
bool isArithmeticExpression(const QString &text);

/**
 * Evaluates an arithmetic expression with bc, or with the shell's integer
 * arithmetic when bc is not installed. Blocks until the evaluator is done.
 *
 * @return the evaluator's output with white space simplified (a result bc
 *         splits over several lines comes back joined by blanks), or an empty
 *         string when nothing was read: a syntax error, a failed start, or,
 *         without bc, an expression that is more than digits, blanks, the
 *         shell's arithmetic operators and balanced parentheses
 */
QString calculate(const QString &expression);

#endif
