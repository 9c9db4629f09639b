// SPDX-License-Identifier: GPL-2.0-or-later
#include "fieldtiming.h"

#include "completion/historybox.h"

#include <QCompleter>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <cstdio>

static const int shownRows = 10;

double milliseconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

double slowest(const QVector<double> &values)
{
    return values.isEmpty() ? 0.0 : *std::max_element(values.cbegin(), values.cend());
}

void readShownRows(const QAbstractItemModel &model)
{
    for (int row = 0; row < std::min(shownRows, model.rowCount()); ++row) {
        model.index(row, 0).data(Qt::DisplayRole);
        model.index(row, 0).data(Qt::DecorationRole);
    }
}

void showCommandField(HistoryBox &box)
{
    box.show();
    box.activateWindow();
    box.lineEdit()->setFocus();
    if (!QTest::qWaitForWindowActive(&box))
        std::printf("the history box did not become active; key presses may not complete\n");
}

double keyPressToList(HistoryBox &box, char key)
{
    const QAbstractItemModel *matches = box.completer()->completionModel();
    return milliseconds([&] {
        QTest::keyClick(box.lineEdit(), key);
        // The completer updates while the key is handled; let queued work settle too.
        int rows = -1;
        while (rows != matches->rowCount()) {
            rows = matches->rowCount();
            QCoreApplication::processEvents();
        }
        readShownRows(*matches);
    });
}
