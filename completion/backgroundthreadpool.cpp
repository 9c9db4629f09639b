// SPDX-License-Identifier: GPL-2.0-or-later
#include "backgroundthreadpool.h"

#include <QThreadPool>

// Never deleted: a pool's destructor waits for its threads.
static QThreadPool *newPool(int maxThreads)
{
    auto *pool = new QThreadPool;
    pool->setMaxThreadCount(maxThreads);
    return pool;
}

QThreadPool *backgroundThreadPool(BackgroundWork work)
{
    // A few stuck reads still leave threads for the next folder; each typed
    // text may wait on a stuck file until a newer text is typed.
    static QThreadPool *const folders = newPool(4);
    static QThreadPool *const applications = newPool(2);
    static QThreadPool *const classifications = newPool(16);
    static QThreadPool *const passwordChecks = newPool(2);
    static QThreadPool *const accounts = newPool(1);
    static QThreadPool *const userFiles = newPool(1);
    switch (work) {
    case BackgroundWork::FolderListing:
        return folders;
    case BackgroundWork::ApplicationIndex:
        return applications;
    case BackgroundWork::PasswordCheck:
        return passwordChecks;
    case BackgroundWork::AccountLookUp:
        return accounts;
    case BackgroundWork::UserFiles:
        return userFiles;
    case BackgroundWork::Classification:
        break;
    }
    return classifications;
}
