// SPDX-License-Identifier: GPL-2.0-or-later
#include "arithmetictranslation.h"

// Deep enough for any typed expression, shallow enough for the stack.
static const int maximumNesting = 100;
// Every step of + - * % on numbers of 18 digits in all stays below 10^18 < 2^63.
static const int maximumShellDigits = 18;

namespace {
// Reads by recursive descent and writes each part as soon as it is read.
class Translator
{
public:
    Translator(const QString &text, ArithmeticEvaluator evaluator, QChar decimalSign)
        : text(text)
        , forBc(evaluator == ArithmeticEvaluator::Bc)
        , decimalSign(decimalSign)
    { }

    QString translated()
    {
        const QString written = sum();
        skipBlanks();
        if (failed || position != text.size() || (!forBc && digits > maximumShellDigits))
            return QString();
        return written;
    }

private:
    QString sum()
    {
        QString written = product();
        while (!failed && (next(QLatin1Char('+')) || next(QLatin1Char('-')))) {
            const QChar operation = text.at(position - 1);
            written += operation + product();
        }
        return written;
    }

    QString product()
    {
        QString written = factor();
        while (!failed) {
            if (next(QLatin1Char('%'))) {
                const QString divisor = factor();
                written = forBc ? QStringLiteral("r(%1, %2)").arg(written, divisor)
                                : written + QLatin1Char('%') + divisor;
            } else if (next(QLatin1Char('*')) || (forBc && next(QLatin1Char('/')))) {
                const QChar operation = text.at(position - 1);
                written += operation + factor();
            } else {
                break;
            }
        }
        return written;
    }

    // Every nested part passes here, so the depth is counted here.
    QString factor()
    {
        if (nesting == maximumNesting)
            return fail();
        ++nesting;
        QString written;
        if (next(QLatin1Char('-')))
            written = QStringLiteral("(-%1)").arg(factor());
        else if (next(QLatin1Char('+')))
            written = factor();
        else
            written = power();
        --nesting;
        return written;
    }

    QString power()
    {
        const QString base = operand();
        if (failed || !next(QLatin1Char('^')))
            return base;
        if (!forBc)
            return fail();
        return QStringLiteral("p(%1, %2)").arg(base, factor());
    }

    QString operand()
    {
        if (!next(QLatin1Char('(')))
            return number();
        const QString inner = sum();
        if (!next(QLatin1Char(')')))
            return fail();
        return QLatin1Char('(') + inner + QLatin1Char(')');
    }

    QString number()
    {
        skipBlanks();
        const QString whole = digitsAt();
        QString fraction;
        const bool point = position < text.size()
            && (text.at(position) == QLatin1Char('.') || text.at(position) == decimalSign);
        if (point) {
            ++position;
            fraction = digitsAt();
        }
        if ((whole.isEmpty() && fraction.isEmpty()) || (point && !forBc))
            return fail();
        int firstSignificant = 0;
        while (
            firstSignificant < whole.size() - 1 && whole.at(firstSignificant) == QLatin1Char('0'))
            ++firstSignificant;
        const QString integer = whole.isEmpty() ? QStringLiteral("0") : whole.mid(firstSignificant);
        digits += integer.size();
        return fraction.isEmpty() ? integer : integer + QLatin1Char('.') + fraction;
    }

    QString digitsAt()
    {
        const int start = position;
        while (position < text.size() && text.at(position) >= QLatin1Char('0')
            && text.at(position) <= QLatin1Char('9'))
            ++position;
        return text.mid(start, position - start);
    }

    // Whether @p c comes next; it is then read.
    bool next(QChar c)
    {
        skipBlanks();
        if (position == text.size() || text.at(position) != c)
            return false;
        ++position;
        return true;
    }

    void skipBlanks()
    {
        while (position < text.size()
            && (text.at(position) == QLatin1Char(' ') || text.at(position) == QLatin1Char('\t')))
            ++position;
    }

    QString fail()
    {
        failed = true;
        return QString();
    }

    const QString text;
    const bool forBc;
    const QChar decimalSign;
    int position = 0;
    int nesting = 0;
    int digits = 0;
    bool failed = false;
};
} // namespace

QString translatedArithmetic(
    const QString &expression, ArithmeticEvaluator evaluator, QChar decimalSign)
{
    return Translator(expression, evaluator, decimalSign).translated();
}
