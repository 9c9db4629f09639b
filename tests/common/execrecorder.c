// SPDX-License-Identifier: GPL-2.0-or-later
// A stand-in for every program a process starts, for tests: loaded with
// LD_PRELOAD while KAVRUN_EXEC_RECORD names a file, it turns each exec and
// spawn into a record appended to that file, and the started program into
// one that does nothing and exits with 0. A record is the working folder,
// the program's file name and the arguments after the program's own name,
// each ended by the unit separator 0x1f, and the record by a line feed.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define NEXT(name) ((__typeof__(&name))dlsym(RTLD_NEXT, #name))

static const char *recordFile(void)
{
    const char *file = getenv("KAVRUN_EXEC_RECORD");
    return file && *file ? file : NULL;
}

static void appendField(char **buffer, size_t *size, size_t *used, const char *text)
{
    const size_t length = strlen(text);
    if (*used + length + 2 > *size) {
        *size = 2 * (*used + length + 2);
        *buffer = realloc(*buffer, *size);
        if (!*buffer)
            _exit(127);
    }
    memcpy(*buffer + *used, text, length);
    *used += length;
    (*buffer)[(*used)++] = '\x1f';
}

static void record(const char *file, const char *program, char *const argv[])
{
    size_t size = 4096;
    size_t used = 0;
    char *buffer = malloc(size);
    char folder[4096];
    const char *name = strrchr(program, '/');
    appendField(&buffer, &size, &used, getcwd(folder, sizeof folder) ? folder : "?");
    appendField(&buffer, &size, &used, name ? name + 1 : program);
    for (int i = 1; argv && argv[0] && argv[i]; ++i)
        appendField(&buffer, &size, &used, argv[i]);
    buffer[used++] = '\n';
    const int descriptor = open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor == -1 || write(descriptor, buffer, used) != (ssize_t)used)
        _exit(127);
    close(descriptor);
    free(buffer);
}

static int recordInstead(const char *program, char *const argv[])
{
    record(recordFile(), program, argv);
    _exit(0);
}

int execve(const char *path, char *const argv[], char *const envp[])
{
    return recordFile() ? recordInstead(path, argv) : NEXT(execve)(path, argv, envp);
}

int execv(const char *path, char *const argv[])
{
    return recordFile() ? recordInstead(path, argv) : NEXT(execv)(path, argv);
}

int execvp(const char *file, char *const argv[])
{
    return recordFile() ? recordInstead(file, argv) : NEXT(execvp)(file, argv);
}

int execvpe(const char *file, char *const argv[], char *const envp[])
{
    return recordFile() ? recordInstead(file, argv) : NEXT(execvpe)(file, argv, envp);
}

// A spawned program is recorded by a child of its own, which the caller reaps.
static int spawnRecorded(pid_t *pid, const char *program, char *const argv[])
{
    const pid_t child = fork();
    if (child == -1)
        return errno;
    if (child == 0)
        recordInstead(program, argv);
    if (pid)
        *pid = child;
    return 0;
}

int posix_spawn(pid_t *pid, const char *path, const posix_spawn_file_actions_t *actions,
    const posix_spawnattr_t *attributes, char *const argv[], char *const envp[])
{
    if (recordFile())
        return spawnRecorded(pid, path, argv);
    return NEXT(posix_spawn)(pid, path, actions, attributes, argv, envp);
}

int posix_spawnp(pid_t *pid, const char *file, const posix_spawn_file_actions_t *actions,
    const posix_spawnattr_t *attributes, char *const argv[], char *const envp[])
{
    if (recordFile())
        return spawnRecorded(pid, file, argv);
    return NEXT(posix_spawnp)(pid, file, actions, attributes, argv, envp);
}
