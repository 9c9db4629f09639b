// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef ARITHMETICTRANSLATION_H
#define ARITHMETICTRANSLATION_H

#include <QString>

/** The programs that evaluate arithmetic for the calculator. */
enum class ArithmeticEvaluator {
    /** bc with its mathematics library and the calculator's functions r and p. */
    Bc,
    /** The shell's integer arithmetic inside "$((...))". */
    Shell,
};

/**
 * Reads typed arithmetic: decimal numbers ("7", "0.25", "1.", and with
 * @p decimalSign, the user's own, "0,25" where that is a comma), the operators
 * + - * / % ^, signs and parentheses, with blanks and tabs between. ^ binds
 * tighter than a sign and groups from the right (-2^2 is -4, 2^3^2 is 2^9);
 * * / % bind tighter than + and -, and group from the left.
 *
 * For bc the expression comes back fully parenthesised where that matters,
 * with a % b written as r(a, b) and a ^ b as p(a, b). For the shell only
 * whole numbers, + - * %, signs and parentheses are accepted, with at most
 * 18 digits in all, so that no step can overflow; leading zeros are dropped
 * so that no number reads as octal.
 *
 * @return the expression for @p evaluator, or an empty string when
 *         @p expression is not such arithmetic or @p evaluator cannot compute
 *         it exactly
 */
QString translatedArithmetic(
    const QString &expression, ArithmeticEvaluator evaluator, QChar decimalSign = QLatin1Char('.'));

#endif
