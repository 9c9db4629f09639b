// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HANDOVER_H
#define HANDOVER_H

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * A later start's command line on its way to a resident kav-run, and the
 * answer that comes back. The command line travels as a single-instance
 * message; the answer tells the later start its exit status and the
 * diagnostics it prints, or that it must answer the command line itself.
 */
struct HandOver
{
    /** The later start's working directory. */
    QString directory;
    /** Its arguments, the program name first. */
    QStringList arguments;

    /** The message that carries this hand-over. */
    QString message() const;
    /**
     * Reads @p message into @p handOver.
     * @return false when it is no hand-over, such as the "raise" of an older start
     */
    static bool fromMessage(const QString &message, HandOver *handOver);

    /** The answer of a later start that ends with @p status after printing @p errors. */
    static QByteArray answer(int status, const QByteArray &errors = QByteArray());
    /**
     * The answer of a later start that must answer its command line itself,
     * because it asks for help or the version, is faulty, or holds options
     * of the toolkit that only a start of its own can read.
     */
    static QByteArray selfAnswer();

    /** Where finish() leaves a later start that must answer its command line itself. */
    static const int answerItself = -2;
    /**
     * Prints what @p answer carries to standard error and returns the exit
     * status: 255 for a plain acknowledgement (the running dialog came to the
     * front), answerItself, or 255 for an answer that cannot be read.
     */
    static int finish(const QByteArray &answer);
};

#endif
