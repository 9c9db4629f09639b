// SPDX-License-Identifier: GPL-2.0-or-later
#include "testdialog.h"

#include "dialog/roderuz.h"

#include <QFutureWatcher>
#include <QTest>

std::unique_ptr<Roderuz> createSettledDialog()
{
    auto dialog = std::make_unique<Roderuz>();
    dialog->completeStartup();
    const bool settled = QTest::qWaitFor(
        [&] { return dialog->findChildren<QFutureWatcher<QString> *>().isEmpty(); }, 10000);
    return settled ? std::move(dialog) : nullptr;
}
