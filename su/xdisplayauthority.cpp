// SPDX-License-Identifier: GPL-2.0-or-later
#include "xdisplayauthority.h"

#include "core/searchpath.h"

#include <QDeadlineTimer>
#include <QList>

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// xauth answers at once; one that does not is not waited for.
const int xauthTimeoutMs = 5000;

// At most @p limit bytes that @p fd delivers before its end or the time-out.
QByteArray readWithin(int fd, int limit, int timeoutMs)
{
    QByteArray output;
    const QDeadlineTimer deadline(timeoutMs);
    char buffer[256];
    while (output.size() < limit) {
        struct pollfd request = { fd, POLLIN, 0 };
        const int ready = poll(&request, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const ssize_t count =
            read(fd, buffer, size_t(qMin<int>(sizeof buffer, limit - output.size())));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        output.append(buffer, int(count));
    }
    return output;
}

// "xauth -i list NAME": no shell reads the display's name, and -i reads the
// authority file without waiting for its lock, which a crashed xauth may have left.
// xauth comes from an absolute folder of PATH, never from the current folder.
// @return at most the first 255 bytes of what it lists
QByteArray listAuthority(const QByteArray &lookupName)
{
    const QByteArray xauth = findInAbsoluteFolders("xauth");
    int output[2];
    if (xauth.isEmpty() || pipe2(output, O_CLOEXEC) < 0)
        return QByteArray();
    const char *const argv[] = { xauth.constData(), "-i", "list", lookupName.constData(), nullptr };

    // Between fork and exec only async-signal-safe calls: the caller may have threads.
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        execv(xauth.constData(), const_cast<char *const *>(argv));
        _exit(127);
    }
    close(output[1]);
    QByteArray listed;
    if (child > 0)
        listed = readWithin(output[0], 255, xauthTimeoutMs);
    close(output[0]);
    if (child > 0) {
        kill(child, SIGKILL); // gone already, or hanging
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) { }
    }
    return listed;
}

} // namespace

bool XDisplayAuthority::reachableByOthers()
{
    static const bool reachable = [] {
        if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return true;
        XDisplayAuthority authority;
        authority.readDisplayAuthority();
        return !authority.authorityLine.isEmpty();
    }();
    return reachable;
}

void XDisplayAuthority::readDisplayAuthority()
{
    displayName = qgetenv("DISPLAY");
    if (displayName.isEmpty())
        return;

    // xauth files its entries under the display without the host name "localhost".
    QByteArray lookupName = displayName;
    if (lookupName.startsWith("localhost:"))
        lookupName.remove(0, 9);

    // An entry is "display protocol key", one a line. Entries that all give
    // the same key, as a Wayland compositor files its XWayland's for the host
    // and for any host, are one; other keys leave the choice open.
    QByteArray chosen;
    for (const QByteArray &entry : listAuthority(lookupName).split('\n')) {
        const QList<QByteArray> fields = entry.simplified().split(' ');
        if (fields.size() == 1 && fields.first().isEmpty())
            continue;
        const QByteArray line =
            fields.size() == 3 ? fields.at(1) + ' ' + fields.at(2) : QByteArray();
        if (line.isEmpty() || (!chosen.isEmpty() && line != chosen))
            return;
        chosen = line;
    }
    authorityLine = chosen;
}
