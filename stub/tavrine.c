// SPDX-License-Identifier: GPL-2.0-or-later
/*
 * tavrine: started by su or sudo on behalf of kav-run. It asks the parent for
 * the command and its settings over the terminal, one request per line, then
 * sets up the environment, the priority, the user and the X authority and
 * runs the command through the shell. Its exit status is the command's.
 */

#include <errno.h>
#include <grp.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

struct request
{
    const char *key;
    char *answer;
};

static struct request requestTable[] = {
    { "tavrine", NULL },
    { "display", NULL },
    { "display_auth", NULL },
    { "command", NULL },
    { "path", NULL },
    { "xwindows_only", NULL },
    { "user", NULL },
    { "priority", NULL },
    { "scheduler", NULL },
    { "app_startup_id", NULL },
};

/* Positions in requestTable. */
enum {
    HANDSHAKE,
    DISPLAY,
    DISPLAY_AUTH,
    COMMAND,
    PATH,
    XWINDOWS_ONLY,
    USER,
    PRIORITY,
    SCHEDULER,
    APP_STARTUP_ID,
    REQUEST_COUNT
};

static char authorityFile[] = "/tmp/xauth.XXXXXXXXXX";
static int authorityFileCreated;

static struct termios originalTerminal;
static int terminalChanged;

static void *allocOrExit(size_t size)
{
    void *memory = malloc(size);
    if (memory == NULL) {
        perror("malloc()");
        exit(1);
    }
    return memory;
}

static char *copyLine(const char *text)
{
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '\n')
        length--;
    char *copy = allocOrExit(length + 1);
    memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

/* putenv keeps the string itself, so it stays allocated. */
static void putEnvPair(const char *name, const char *value)
{
    size_t nameLength = strlen(name);
    size_t valueLength = strlen(value);
    char *pair = malloc(nameLength + 1 + valueLength + 1);
    if (pair == NULL)
        return;
    memcpy(pair, name, nameLength);
    pair[nameLength] = '=';
    memcpy(pair + nameLength + 1, value, valueLength + 1);
    putenv(pair);
}

static void writeLine(const char *line)
{
    puts(line);
    fflush(stdout);
}

/*
 * Answers are read whole, however long: a command longer than the buffer
 * must neither be cut nor spill over into the answers that follow it.
 */
static char *readAnswer(void)
{
    static char buffer[8192];
    char *line = NULL;
    size_t length = 0;

    while (length == 0 || line[length - 1] != '\n') {
        if (fgets(buffer, sizeof(buffer), stdin) == NULL) {
            if (length > 0)
                break;
            int savedErrno = errno;
            writeLine("end");
            errno = savedErrno;
            perror("tavrine: fgets()");
            exit(1);
        }
        size_t chunkLength = strlen(buffer);
        char *longer = realloc(line, length + chunkLength + 1);
        if (longer == NULL) {
            perror("malloc()");
            exit(1);
        }
        line = longer;
        memcpy(line + length, buffer, chunkLength + 1);
        length += chunkLength;
    }

    char *answer = copyLine(line);
    free(line);
    return answer;
}

static void restoreTerminal(void)
{
    if (terminalChanged)
        tcsetattr(STDIN_FILENO, TCSANOW, &originalTerminal);
    terminalChanged = 0;
}

/*
 * sudo may run us on a terminal of its own with echo on, which would send the
 * parent's answers back to it as if they were requests; in canonical mode a
 * long answer would reach us cut at the line editor's limit.
 */
static void makeTerminalRaw(void)
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &originalTerminal) == -1)
        return;
    struct termios raw = originalTerminal;
    raw.c_lflag &= ~(ECHO | ICANON);
    raw.c_oflag &= ~OPOST;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == -1)
        return;
    terminalChanged = 1;
}

/* Every exit, the failures included, leaves the terminal as found and no authority file behind. */
static void cleanUp(void)
{
    restoreTerminal();
    if (authorityFileCreated)
        unlink(authorityFile);
    authorityFileCreated = 0;
}

static void fail(const char *message)
{
    perror(message);
    exit(1);
}

static void askRequests(void)
{
    for (int i = 0; i < REQUEST_COUNT; i++) {
        writeLine(requestTable[i].key);
        requestTable[i].answer = readAnswer();
        if (i == HANDSHAKE && strcmp(requestTable[i].answer, "stop") == 0) {
            writeLine("end");
            exit(0);
        }
    }
}

static void readEnvironment(void)
{
    writeLine("environment");
    for (;;) {
        char *entry = readAnswer();
        if (entry[0] == '\0') {
            free(entry);
            return;
        }
        putenv(entry);
    }
}

static void setPriority(const char *priorityAnswer, const char *schedulerAnswer)
{
    int priority = (int)strtol(priorityAnswer, NULL, 10);
    if (strcmp(schedulerAnswer, "realtime") != 0) {
        setpriority(PRIO_PROCESS, getpid(), priority);
        return;
    }
    fprintf(stderr, "priority = %d", priority);
    struct sched_param parameters = { .sched_priority = priority };
    sched_setscheduler(0, SCHED_FIFO, &parameters);
}

static void becomeUser(uid_t uid, gid_t gid, const char *name, const char *home)
{
    if (getuid() == uid)
        return;
    if (setgid(gid) == -1)
        fail("tavrine: setgid()");
    if (initgroups(name, gid) == -1)
        fail("tavrine: initgroups()");
    if (setuid(uid) == -1)
        fail("tavrine: setuid()");
    putEnvPair("HOME", home);
}

/* Installs the caller's authority entry in a file of the target user's own. */
static void installAuthority(const char *display, const char *authority)
{
    const char *xauthName = display;
    if (strncmp(display, "localhost:", 10) == 0)
        xauthName = display + 9;

    mode_t oldMask = umask(077);
    int fd = mkstemp(authorityFile);
    umask(oldMask);
    if (fd == -1)
        fail("tavrine: mkstemp()");
    authorityFileCreated = 1;
    close(fd);
    putEnvPair("XAUTHORITY", authorityFile);

    FILE *xauth = popen("xauth >/dev/null 2>&1", "w");
    if (xauth == NULL)
        fail("tavrine: popen(xauth)");
    /* An xauth that cannot be run must not take us down with a broken pipe. */
    void (*oldHandler)(int) = signal(SIGPIPE, SIG_IGN);
    fprintf(xauth, "add %s %s\n", xauthName, authority);
    pclose(xauth);
    signal(SIGPIPE, oldHandler);
}

static int runCommand(const char *command)
{
    restoreTerminal();
    pid_t child = fork();
    if (child == -1)
        fail("tavrine: fork()");
    if (child == 0) {
        setsid();
        execl("/bin/sh", "sh", "-c", command, (char *)NULL);
        perror("tavrine: exec()");
        _exit(1);
    }

    int result = 1;
    for (;;) {
        int status;
        if (waitpid(child, &status, 0) == -1) {
            if (errno == EINTR)
                continue;
            if (errno != ECHILD)
                perror("tavrine: waitpid()");
            break;
        }
        if (WIFEXITED(status))
            result = WEXITSTATUS(status);
    }
    return result;
}

int main(void)
{
    if (atexit(cleanUp) != 0)
        fail("tavrine: atexit()");
    makeTerminalRaw();

    askRequests();
    readEnvironment();
    writeLine("end");

    putEnvPair("PATH", requestTable[PATH].answer);
    putEnvPair("DESKTOP_STARTUP_ID", requestTable[APP_STARTUP_ID].answer);
    unsetenv("LC_ALL");

    const char *userName = requestTable[USER].answer;
    struct passwd *user = getpwnam(userName);
    if (user == NULL) {
        printf("tavrine: user %s does not exist!\n", userName);
        exit(1);
    }
    /* initgroups may reuse getpwnam's storage. */
    uid_t uid = user->pw_uid;
    gid_t gid = user->pw_gid;
    char *home = copyLine(user->pw_dir);
    putEnvPair("HOME", home);

    setPriority(requestTable[PRIORITY].answer, requestTable[SCHEDULER].answer);
    becomeUser(uid, gid, userName, home);

    const char *display = requestTable[DISPLAY].answer;
    if (strcmp(display, "no") != 0) {
        putEnvPair("DISPLAY", display);
        if (requestTable[DISPLAY_AUTH].answer[0] != '\0')
            installAuthority(display, requestTable[DISPLAY_AUTH].answer);
    }

    exit(runCommand(requestTable[COMMAND].answer));
}
