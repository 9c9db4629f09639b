// SPDX-License-Identifier: GPL-2.0-or-later
/*
 * tavrine: started by su or sudo on behalf of kav-run. It asks the parent for
 * the command and its settings over the terminal, one request per line, then
 * sets up the environment, the priority, the user and the X authority and
 * runs the command through the shell. Its exit status is the command's.
 */

#include "stub/portableenvironment.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <limits.h>
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

extern char **environ;

struct request
{
    const char *key;
    char *answer;
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

static struct request requestTable[] = {
    [HANDSHAKE] = { "tavrine", NULL },
    [DISPLAY] = { "display", NULL },
    [DISPLAY_AUTH] = { "display_auth", NULL },
    [COMMAND] = { "command", NULL },
    [PATH] = { "path", NULL },
    [XWINDOWS_ONLY] = { "xwindows_only", NULL },
    [USER] = { "user", NULL },
    [PRIORITY] = { "priority", NULL },
    [SCHEDULER] = { "scheduler", NULL },
    [APP_STARTUP_ID] = { "app_startup_id", NULL },
};
_Static_assert(sizeof(requestTable) / sizeof(requestTable[0]) == REQUEST_COUNT,
    "every request has its position, and every position its request");

/*
 * The authority file lives in a folder of its own, so that xauth's lock files
 * beside it are out of other users' reach.
 */
static char authorityFolder[] = "/tmp/xauth.XXXXXX";
static char authorityFile[sizeof(authorityFolder) + sizeof("/Xauthority")];
/*
 * The file and what a killed xauth leaves beside it (its lock files and its
 * file in the making), named when the folder is made: the handler of the
 * ending signals removes them and may not format names.
 */
static const char *const authorityFileSuffixes[] = { "", "-c", "-l", "-n" };
#define AUTHORITY_FILE_COUNT (sizeof(authorityFileSuffixes) / sizeof(authorityFileSuffixes[0]))
static char authorityFiles[AUTHORITY_FILE_COUNT][sizeof(authorityFile) + 2];
static volatile sig_atomic_t authorityFolderCreated;

static struct termios originalTerminal;
static volatile sig_atomic_t terminalChanged;

/* Children between fork and exec share our signal handlers, not our files. */
static pid_t ownPid;

/* xauth answers at once; one that hangs is not waited for. */
static const int xauthTimeoutMs = 5000;

_Noreturn static void fail(const char *message)
{
    perror(message);
    exit(1);
}

static void *allocOrExit(size_t size)
{
    void *memory = malloc(size);
    if (memory == NULL)
        fail("malloc()");
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
static void putEnvEntry(char *entry)
{
    if (putenv(entry) != 0)
        fail("tavrine: putenv()");
}

static void putEnvPair(const char *name, const char *value)
{
    size_t nameLength = strlen(name);
    size_t valueLength = strlen(value);
    char *pair = allocOrExit(nameLength + 1 + valueLength + 1);
    memcpy(pair, name, nameLength);
    pair[nameLength] = '=';
    memcpy(pair + nameLength + 1, value, valueLength + 1);
    putEnvEntry(pair);
}

static void writeLine(const char *line)
{
    puts(line);
    fflush(stdout);
}

/* The parent drains what comes after "end" instead of answering it. */
_Noreturn static void endConversationAndFail(const char *message)
{
    writeLine("end");
    fprintf(stderr, "tavrine: %s\n", message);
    exit(1);
}

/*
 * Answers are read whole, however long: a command longer than any buffer
 * must neither be cut nor spill over into the answers that follow it.
 */
static char *readAnswer(void)
{
    char *line = NULL;
    size_t capacity = 0;
    errno = 0;
    ssize_t length = getline(&line, &capacity, stdin);
    if (length == -1) {
        if (!ferror(stdin))
            endConversationAndFail("the input ended before the conversation was over");
        int savedErrno = errno;
        writeLine("end");
        errno = savedErrno;
        fail("tavrine: getline()");
    }
    /* The C string would end at the NUL and the rest would be lost or misread. */
    if (strlen(line) != (size_t)length)
        endConversationAndFail("an answer holds a NUL byte");

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
 * long answer would reach us cut at the line editor's limit. Raw, every byte
 * of an answer stays itself: a carriage return makes no line, and no byte
 * raises a signal or stops the output.
 */
static void makeTerminalRaw(void)
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &originalTerminal) == -1)
        return;
    struct termios raw = originalTerminal;
    cfmakeraw(&raw);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == -1)
        return;
    terminalChanged = 1;
}

/* Async-signal-safe: also called from the handler of the ending signals. */
static void removeAuthority(void)
{
    if (!authorityFolderCreated)
        return;
    for (size_t i = 0; i < AUTHORITY_FILE_COUNT; i++)
        unlink(authorityFiles[i]);
    rmdir(authorityFolder);
    authorityFolderCreated = 0;
}

/* Every exit, the failures included, leaves the terminal as found and no authority file behind. */
static void cleanUp(void)
{
    if (getpid() != ownPid)
        return;
    restoreTerminal();
    removeAuthority();
}

/* su passes SIGTERM on at logout; a hung-up terminal brings SIGHUP. */
static void endBySignal(int signalNumber)
{
    cleanUp();
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

/*
 * A signal ignored when we start stays ignored: kav-run's terminal ignores
 * SIGHUP, so that the command outlives a closed terminal with its authority.
 */
static void cleanUpOnEndingSignals(void)
{
    static const int endingSignals[] = { SIGTERM, SIGHUP, SIGINT };
    struct sigaction action;
    memset(&action, 0, sizeof(action));
    action.sa_handler = endBySignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < sizeof(endingSignals) / sizeof(endingSignals[0]); i++)
        sigaddset(&action.sa_mask, endingSignals[i]);
    for (size_t i = 0; i < sizeof(endingSignals) / sizeof(endingSignals[0]); i++) {
        struct sigaction inherited;
        if (sigaction(endingSignals[i], NULL, &inherited) == -1)
            fail("tavrine: sigaction()");
        if (inherited.sa_handler == SIG_IGN)
            continue;
        if (sigaction(endingSignals[i], &action, NULL) == -1)
            fail("tavrine: sigaction()");
    }
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

/*
 * @return the NAME=value entries the parent sends, in a NULL-terminated list;
 * an entry that may not pass to another user ends the program
 */
static char **readEnvironment(void)
{
    writeLine("environment");
    char **entries = allocOrExit(sizeof(*entries));
    size_t count = 0;
    char *entry;
    for (entry = readAnswer(); entry[0] != '\0'; entry = readAnswer()) {
        if (!mayPassToAnotherUser(entry))
            endConversationAndFail("an environment answer may not pass to another user");
        char **longer = realloc(entries, (count + 2) * sizeof(*entries));
        if (longer == NULL)
            fail("malloc()");
        entries = longer;
        entries[count++] = entry;
    }
    free(entry);
    entries[count] = NULL;
    return entries;
}

/*
 * A shell option, a start-up file or a plug-in folder of the caller must not
 * reach a command that runs as somebody else. su and sudo have changed the
 * user before we start, so whatever they let through is filtered here.
 */
static void keepOnlyPortableEnvironment(void)
{
    size_t count = 0;
    while (environ != NULL && environ[count] != NULL)
        count++;
    char **kept = allocOrExit((count + 1) * sizeof(*kept));
    size_t keptCount = 0;
    for (size_t i = 0; i < count; i++) {
        if (mayPassToAnotherUser(environ[i]))
            kept[keptCount++] = environ[i];
    }
    if (clearenv() != 0)
        fail("tavrine: clearenv()");
    /* The strings are the original environment's or our own, which clearenv leaves alone. */
    for (size_t i = 0; i < keptCount; i++)
        putEnvEntry(kept[i]);
    free(kept);
}

/* @return the answer as a number from @p lowest to @p highest; anything else ends the program */
static int numberInRange(const char *answer, const char *name, long lowest, long highest)
{
    char *end;
    errno = 0;
    long value = strtol(answer, &end, 10);
    if (errno != 0 || end == answer || *end != '\0' || value < lowest || value > highest) {
        fprintf(stderr, "tavrine: %s \"%s\" is not a number from %ld to %ld\n", name, answer,
            lowest, highest);
        exit(1);
    }
    return (int)value;
}

static int isRealtime(const char *schedulerAnswer)
{
    return strcmp(schedulerAnswer, "realtime") == 0;
}

static int checkedPriority(const char *priorityAnswer, const char *schedulerAnswer)
{
    if (!isRealtime(schedulerAnswer))
        return numberInRange(priorityAnswer, "priority", PRIO_MIN, PRIO_MAX - 1);
    int lowest = sched_get_priority_min(SCHED_FIFO);
    int highest = sched_get_priority_max(SCHED_FIFO);
    if (lowest == -1 || highest == -1)
        fail("tavrine: sched_get_priority_min()");
    return numberInRange(priorityAnswer, "real-time priority", lowest, highest);
}

static void setPriority(int priority, const char *schedulerAnswer)
{
    if (!isRealtime(schedulerAnswer)) {
        setpriority(PRIO_PROCESS, getpid(), priority);
        return;
    }
    fprintf(stderr, "priority = %d", priority);
    struct sched_param parameters = { .sched_priority = priority };
    sched_setscheduler(0, SCHED_FIFO, &parameters);
}

static void becomeUser(uid_t uid, gid_t gid, const char *name)
{
    if (getuid() == uid)
        return;
    if (setgid(gid) == -1)
        fail("tavrine: setgid()");
    if (initgroups(name, gid) == -1)
        fail("tavrine: initgroups()");
    if (setuid(uid) == -1)
        fail("tavrine: setuid()");
}

/*
 * Starts xauth with @p arguments and nothing to read or write, found in an
 * absolute folder of PATH: no shell reads the display's name, and an empty or
 * relative entry would search the current folder.
 * @return its pid
 */
static pid_t startXauth(char *const arguments[], int input)
{
    pid_t child = fork();
    if (child == -1)
        fail("tavrine: fork()");
    if (child != 0)
        return child;

    int devNull = open("/dev/null", O_RDWR);
    dup2(input, STDIN_FILENO);
    if (devNull != -1) {
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
    }
    const char *path = getenv("PATH");
    while (path != NULL && *path != '\0') {
        size_t length = strcspn(path, ":");
        char program[PATH_MAX];
        if (path[0] == '/' && length + sizeof("/xauth") <= sizeof(program)) {
            snprintf(program, sizeof(program), "%.*s/xauth", (int)length, path);
            execv(program, arguments);
        }
        path += length + (path[length] == ':');
    }
    _exit(127);
}

/* Waits for xauth to end, for at most xauthTimeoutMs; one that takes longer is killed. */
static void waitForXauth(pid_t child)
{
    for (int waited = 0; waited < xauthTimeoutMs; waited += 10) {
        pid_t result = waitpid(child, NULL, WNOHANG);
        if (result == child || (result == -1 && errno != EINTR))
            return;
        usleep(10000);
    }
    kill(child, SIGKILL);
    while (waitpid(child, NULL, 0) == -1 && errno == EINTR) { }
}

/* Installs the caller's authority entry in a file of the target user's own. */
static void installAuthority(const char *display, const char *authority)
{
    const char *xauthName = display;
    if (strncmp(display, "localhost:", 10) == 0)
        xauthName = display + 9;
    /* xauth reads its words split at blanks. */
    if (strpbrk(xauthName, " \t") != NULL)
        return;

    if (mkdtemp(authorityFolder) == NULL)
        fail("tavrine: mkdtemp()");
    snprintf(authorityFile, sizeof(authorityFile), "%s/Xauthority", authorityFolder);
    for (size_t i = 0; i < AUTHORITY_FILE_COUNT; i++) {
        snprintf(authorityFiles[i], sizeof(authorityFiles[i]), "%s%s", authorityFile,
            authorityFileSuffixes[i]);
    }
    authorityFolderCreated = 1;
    int fd = open(authorityFile, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd == -1)
        fail("tavrine: open(authority file)");
    close(fd);
    putEnvPair("XAUTHORITY", authorityFile);

    /* The entry goes to xauth on its input: on its command line, any
       local user could read the key. */
    int input[2];
    if (pipe2(input, O_CLOEXEC) == -1)
        fail("tavrine: pipe()");
    char *const arguments[] = { "xauth", "-q", "-f", authorityFile, NULL };
    pid_t child = startXauth(arguments, input[0]);
    close(input[0]);
    void (*previous)(int) = signal(SIGPIPE, SIG_IGN);
    dprintf(input[1], "add %s %s\n", xauthName, authority);
    close(input[1]);
    signal(SIGPIPE, previous);
    waitForXauth(child);
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
    /* What su, sudo or their callers left open is none of the command's business. */
    closefrom(STDERR_FILENO + 1);
    ownPid = getpid();
    if (atexit(cleanUp) != 0)
        fail("tavrine: atexit()");
    cleanUpOnEndingSignals();
    makeTerminalRaw();

    askRequests();
    char **entries = readEnvironment();
    writeLine("end");

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
    char *shell = copyLine(user->pw_shell[0] != '\0' ? user->pw_shell : "/bin/sh");
    int priority = checkedPriority(requestTable[PRIORITY].answer, requestTable[SCHEDULER].answer);

    keepOnlyPortableEnvironment();
    putEnvPair("USER", userName);
    putEnvPair("LOGNAME", userName);
    putEnvPair("SHELL", shell);
    for (size_t i = 0; entries[i] != NULL; i++)
        putEnvEntry(entries[i]);
    putEnvPair("PATH", requestTable[PATH].answer);
    putEnvPair("DESKTOP_STARTUP_ID", requestTable[APP_STARTUP_ID].answer);
    unsetenv("LC_ALL");
    putEnvPair("HOME", home);

    setPriority(priority, requestTable[SCHEDULER].answer);
    becomeUser(uid, gid, userName);

    const char *display = requestTable[DISPLAY].answer;
    if (strcmp(display, "no") != 0) {
        putEnvPair("DISPLAY", display);
        if (requestTable[DISPLAY_AUTH].answer[0] != '\0')
            installAuthority(display, requestTable[DISPLAY_AUTH].answer);
    }

    exit(runCommand(requestTable[COMMAND].answer));
}
