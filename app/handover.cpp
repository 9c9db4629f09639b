// SPDX-License-Identifier: GPL-2.0-or-later
#include "handover.h"

#include "qtsingleapplication.h"

#include <QDataStream>

#include <cstdio>

// The single-instance message "raise", followed by the fields of the hand-over:
// no argument or path holds a NUL.
static const QChar fieldSeparator(0);
static const char handOverTag[] = "raise";
// Marks an answer of a resident instance, so that a plain acknowledgement
// (from a dialog in the foreground or an older kav-run) is told apart.
static const char answerTag = '\x02';
static const int raisedStatus = 255;

QString HandOver::message() const
{
    return (QStringList { QLatin1String(handOverTag), directory } + arguments).join(fieldSeparator);
}

bool HandOver::fromMessage(const QString &message, HandOver *handOver)
{
    QStringList fields = message.split(fieldSeparator);
    if (fields.size() < 3 || fields.first() != QLatin1String(handOverTag))
        return false;
    fields.removeFirst();
    handOver->directory = fields.takeFirst();
    handOver->arguments = fields;
    return true;
}

QByteArray HandOver::answer(int status, const QByteArray &errors)
{
    QByteArray data(1, answerTag);
    QDataStream stream(&data, QIODevice::Append);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << qint32(status) << errors;
    return data;
}

QByteArray HandOver::selfAnswer()
{
    return answer(answerItself);
}

int HandOver::finish(const QByteArray &answer)
{
    if (!answer.startsWith(answerTag))
        return raisedStatus;
    QDataStream stream(answer.mid(1));
    stream.setVersion(QDataStream::Qt_5_15);
    qint32 status = 0;
    QByteArray errors;
    stream >> status >> errors;
    if (stream.status() != QDataStream::Ok)
        return raisedStatus;
    std::fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
    return status;
}
