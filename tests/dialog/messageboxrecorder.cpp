// SPDX-License-Identifier: GPL-2.0-or-later
#include "messageboxrecorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

MessageBoxRecorder::MessageBoxRecorder()
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
    QAbstractButton *ok = box->button(QMessageBox::Ok);
    (ok ? ok : box->buttons().constFirst())->click();
}
