// SPDX-License-Identifier: GPL-2.0-or-later
#include "messageboxrecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

MessageBoxRecorder::MessageBoxRecorder(QMessageBox::StandardButton answer)
    : m_answer(answer)
{
    connect(&poll, &QTimer::timeout, this, &MessageBoxRecorder::answerOpenBox);
    poll.start(10);
}

void MessageBoxRecorder::answerOpenBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || box->buttons().isEmpty())
        return;
    RecordedMessageBox record;
    record.icon = box->icon();
    record.title = box->windowTitle();
    record.text = box->text();
    record.buttons = box->standardButtons();
    boxes.append(record);
    QAbstractButton *button = box->button(m_answer);
    if (!button)
        button = box->button(QMessageBox::Ok);
    (button ? button : box->buttons().constFirst())->click();
}

bool operator==(const RecordedMessageBox &left, const RecordedMessageBox &right)
{
    return left.icon == right.icon && left.title == right.title && left.text == right.text
        && left.buttons == right.buttons;
}

QList<RecordedMessageBox> singleOkBox(
    QMessageBox::Icon icon, const QString &title, const QString &text)
{
    return { { icon, title, text, QMessageBox::Ok } };
}

template<>
char *QTest::toString(const RecordedMessageBox &box)
{
    return qstrdup(QStringLiteral("icon %1, \"%2\", \"%3\", buttons %4")
                       .arg(int(box.icon))
                       .arg(box.title, box.text)
                       .arg(int(box.buttons))
                       .toLocal8Bit()
                       .constData());
}
