// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BACKGROUNDTHREADPOOL_H
#define BACKGROUNDTHREADPOOL_H

class QThreadPool;

/** What a background thread does; each kind of work has threads of its own. */
enum class BackgroundWork {
    /** Reading a folder's names for the completion list. */
    FolderListing,
    /** Reading the installed applications' desktop entries. */
    ApplicationIndex,
    /** Classifying the typed text, which looks at the file it names. */
    Classification,
    /** Checking a password with su or sudo, which may take its time. */
    PasswordCheck,
    /** Asking the name services about users and groups, which may not answer. */
    AccountLookUp,
    /** Reading the user's own files, the usage record, which may lie on a mount that does not
       answer. */
    UserFiles,
};

/**
 * The threads for @p work. The process never waits for them: a read stuck on
 * an unreachable mount neither freezes the dialog nor keeps it from closing,
 * as the global pool would at exit. Stuck folder listings or classifications
 * leave the other kinds of work their own threads.
 */
QThreadPool *backgroundThreadPool(BackgroundWork work);

#endif
