// SPDX-License-Identifier: GPL-2.0-or-later
#include "calculator.h"

#include "exec/findcommandexecutable.h"

#include <QPointer>
#include <QProcess>
#include <QRegExp>

// Long enough for any result worth reading, short enough that 9^9^9 gives up.
static const int evaluationTimeout = 5000;

// The shell expands the fallback expression unquoted inside $((...)): only
// operators and digits may reach it, and parentheses must balance so that the
// expression cannot close the arithmetic expansion early.
static bool isPlainArithmetic(const QString &expression)
{
    static const QString allowed = QStringLiteral("0123456789 \t+-*/%<>=!~^&|?:,()");
    int depth = 0;
    for (const QChar c : expression) {
        if (!allowed.contains(c))
            return false;
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && --depth < 0)
            return false;
    }
    return depth == 0;
}

bool isArithmeticExpression(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.at(0);
    if (!first.isNumber() && first != QLatin1Char('('))
        return false;
    return QRegExp(QStringLiteral("[a-zA-Z\\]\\[]")).indexIn(text) == -1;
}

Calculator::Calculator(QObject *parent)
    : QObject(parent)
{
    deadline.setSingleShot(true);
    deadline.setInterval(evaluationTimeout);
    connect(&deadline, &QTimer::timeout, this, [this] { finish(QString()); });
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
    evaluator = new QProcess(this);
    connect(evaluator, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, [this] {
        finish(QString::fromLocal8Bit(evaluator->readAllStandardOutput()).simplified());
    });
    connect(evaluator, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(QString());
    });
    deadline.start();

    // bc reads the expression on its standard input: no shell sees it.
    const QString bc = findCommandExecutable(QStringLiteral("bc"));
    if (!bc.isEmpty()) {
        evaluator->start(bc, QStringList());
        evaluator->write(
            (QStringLiteral("scale=8; ") + expression + QLatin1Char('\n')).toLocal8Bit());
        evaluator->closeWriteChannel();
    } else if (isPlainArithmetic(expression)) {
        evaluator->start(QStringLiteral("/bin/sh"),
            { QStringLiteral("-c"), QStringLiteral("echo $((%1))").arg(expression) });
    } else {
        // Never started: the process object only marks this evaluation as the current one.
        const QPointer<QProcess> unstarted = evaluator;
        QMetaObject::invokeMethod(
            this,
            [this, unstarted] {
                if (unstarted && unstarted == evaluator)
                    finish(QString());
            },
            Qt::QueuedConnection);
    }
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

void Calculator::finish(const QString &result)
{
    if (!evaluator)
        return;
    const QString expression = runningExpression;
    stop();
    Q_EMIT evaluated(expression, result);
}
