// SPDX-License-Identifier: GPL-2.0-or-later
#include "backgroundthreadpool.h"

#include <QThreadPool>

QThreadPool *newBackgroundThreadPool(int maxThreads)
{
    auto *pool = new QThreadPool;
    pool->setMaxThreadCount(maxThreads);
    return pool;
}
