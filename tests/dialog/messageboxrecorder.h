// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MESSAGEBOXRECORDER_H
#define MESSAGEBOXRECORDER_H

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <QtTest/qtestcase.h>

/** What a message box looked like when it was answered. */
struct RecordedMessageBox
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

bool operator==(const RecordedMessageBox &left, const RecordedMessageBox &right);

/** What the recorder holds after one box with a single OK button. */
QList<RecordedMessageBox> singleOkBox(
    QMessageBox::Icon icon, const QString &title, const QString &text);

namespace QTest {
template<>
char *toString(const RecordedMessageBox &box);
}

/**
 * Answers every message box that opens while it lives with @p answer, or
 * else its OK button or its first button, and records it, so that no box is
 * ever left waiting.
 */
class MessageBoxRecorder : public QObject
{
public:
    explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok);

    QList<RecordedMessageBox> boxes;

private:
    void answerOpenBox();

    QMessageBox::StandardButton m_answer;
    QTimer poll;
};

#endif
