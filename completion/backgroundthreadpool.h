// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BACKGROUNDTHREADPOOL_H
#define BACKGROUNDTHREADPOOL_H

class QThreadPool;

/**
 * The threads that read folders for the completion list. The process never
 * waits for them: a read stuck on an unreachable mount neither freezes the
 * dialog nor keeps it from closing, as the global pool would at exit.
 */
QThreadPool *backgroundThreadPool();

#endif
