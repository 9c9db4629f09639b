// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MONOTONICCLOCK_H
#define MONOTONICCLOCK_H

#include <ctime>

/** Milliseconds on the monotonic clock, for deadlines that the wall clock must not move. */
inline long long monotonicMs()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return (long long)time.tv_sec * 1000 + time.tv_nsec / 1000000;
}

#endif
