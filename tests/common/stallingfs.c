// SPDX-License-Identifier: GPL-2.0-or-later
// A file system that does not answer, for tests: loaded with LD_PRELOAD, it
// makes every look at a path below KAVRUN_STALL_PATH wait KAVRUN_STALL_SECONDS
// seconds before it is done, as a hanging network mount would.
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static void stallFor(const char *path)
{
    const char *stalled = getenv("KAVRUN_STALL_PATH");
    if (!path || !stalled || !*stalled || strncmp(path, stalled, strlen(stalled)) != 0)
        return;
    const char *seconds = getenv("KAVRUN_STALL_SECONDS");
    sleep(seconds ? (unsigned)atoi(seconds) : 5);
}

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

int stat(const char *path, struct stat *buffer)
{
    stallFor(path);
    return NEXT(stat)(path, buffer);
}

int lstat(const char *path, struct stat *buffer)
{
    stallFor(path);
    return NEXT(lstat)(path, buffer);
}

int fstatat(int directory, const char *path, struct stat *buffer, int flags)
{
    stallFor(path);
    return NEXT(fstatat)(directory, path, buffer, flags);
}

int statx(int directory, const char *path, int flags, unsigned mask, struct statx *buffer)
{
    stallFor(path);
    return NEXT(statx)(directory, path, flags, mask, buffer);
}

int access(const char *path, int mode)
{
    stallFor(path);
    return NEXT(access)(path, mode);
}

int faccessat(int directory, const char *path, int mode, int flags)
{
    stallFor(path);
    return NEXT(faccessat)(directory, path, mode, flags);
}

int open(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    stallFor(path);
    return NEXT(open)(path, flags, mode);
}

int open64(const char *path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(arguments, mode_t) : 0;
    va_end(arguments);
    stallFor(path);
    return NEXT(open64)(path, flags, mode);
}

DIR *opendir(const char *path)
{
    stallFor(path);
    return NEXT(opendir)(path);
}
