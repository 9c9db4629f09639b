// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BACKGROUNDTHREADPOOL_H
#define BACKGROUNDTHREADPOOL_H

class QThreadPool;

/**
 * A pool of at most @p maxThreads threads for one kind of work that may not
 * end: a read stuck on an unreachable mount, a name service that does not
 * answer. The pool is never deleted, so the process never waits for its
 * threads, as it would for the global pool's at exit; and a kind of work
 * with a pool of its own leaves the other kinds their threads when it sticks.
 * Each owner keeps its pool in a static of its own.
 * @return the new pool
 */
QThreadPool *newBackgroundThreadPool(int maxThreads);

#endif
