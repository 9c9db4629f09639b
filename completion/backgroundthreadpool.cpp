// SPDX-License-Identifier: GPL-2.0-or-later
#include "backgroundthreadpool.h"

#include <QThreadPool>

QThreadPool *backgroundThreadPool()
{
    // Never deleted: a pool's destructor waits for its threads.
    static QThreadPool *const pool = [] {
        auto *created = new QThreadPool;
        // A few stuck reads still leave threads for the next folder.
        created->setMaxThreadCount(4);
        return created;
    }();
    return pool;
}
