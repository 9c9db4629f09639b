// SPDX-License-Identifier: GPL-2.0-or-later
#include "instanceclient.h"
#include "monotonicclock.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

static const int listenerRetryMs = 20;

static int remainingMs(long long deadline)
{
    return int(std::max(0LL, deadline - monotonicMs()));
}

static bool isPrivateDirectory(const std::string &path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid()
        && (info.st_mode & 077) == 0;
}

// Makes @p path and the folders above it that are missing, each private.
static bool makeFolders(const std::string &path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// The user's cache directory: $XDG_CACHE_HOME when it is absolute, else ~/.cache.
static std::string cacheDirectory()
{
    const char *cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/')
        return cache;
    const char *home = std::getenv("HOME");
    if (!home || *home != '/') {
        const passwd *user = getpwuid(getuid());
        home = user ? user->pw_dir : nullptr;
    }
    return home && *home == '/' ? std::string(home) + "/.cache" : std::string();
}

// Letters, digits and a few marks stand for themselves in a file name; any
// other byte becomes an underscore.
static std::string fileNameOf(std::string text)
{
    for (char &c : text) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
            || (c != '\0' && std::strchr("._-:@", c));
        if (!safe)
            c = '_';
    }
    return text;
}

// A directory that only this user can enter. Empty when there is none. The
// fallback lies in the user's own cache directory, where no other user can
// take its name first, and is named for the host, as a home directory may be
// shared between hosts whose instances cannot reach each other.
static std::string privateDirectory(bool create)
{
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && isPrivateDirectory(runtime))
        return runtime;
    const std::string cache = cacheDirectory();
    char host[256] = {};
    if (cache.empty() || gethostname(host, sizeof host - 1) != 0)
        return std::string();
    const std::string fallback = cache + "/qtsingleapplication-" + fileNameOf(host);
    if (create && !makeFolders(fallback))
        return std::string();
    return isPrivateDirectory(fallback) ? fallback : std::string();
}

// Owns a socket descriptor.
class SocketDescriptor
{
public:
    SocketDescriptor()
        : fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    { }
    ~SocketDescriptor()
    {
        if (fd >= 0)
            close(fd);
    }
    SocketDescriptor(const SocketDescriptor &) = delete;
    SocketDescriptor &operator=(const SocketDescriptor &) = delete;

    const int fd;
};

static bool connectTo(int fd, const std::string &path)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    int result;
    do
        result = connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

// Sends @p data; the first bytes carry @p passedDescriptor along unless it is -1.
static bool writeAll(int fd, const std::string &data, int passedDescriptor)
{
    size_t written = 0;
    while (written < data.size()) {
        iovec chunk { const_cast<char *>(data.data() + written), data.size() - written };
        msghdr header {};
        header.msg_iov = &chunk;
        header.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        if (passedDescriptor >= 0) {
            header.msg_control = control;
            header.msg_controllen = sizeof control;
            cmsghdr *rights = CMSG_FIRSTHDR(&header);
            rights->cmsg_level = SOL_SOCKET;
            rights->cmsg_type = SCM_RIGHTS;
            rights->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(rights), &passedDescriptor, sizeof(int));
        }
        const ssize_t count = sendmsg(fd, &header, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += size_t(count);
        passedDescriptor = -1;
    }
    return true;
}

// A string as the toolkit's data stream writes it: its length in bytes, then
// its UTF-16 code units, all big-endian.
static std::string streamed(const std::u16string &text)
{
    const uint32_t length = uint32_t(text.size() * 2);
    std::string data;
    for (int shift = 24; shift >= 0; shift -= 8)
        data.push_back(char(length >> shift));
    for (const char16_t unit : text) {
        data.push_back(char(unit >> 8));
        data.push_back(char(unit));
    }
    return data;
}

// Reads until the answer is complete: the acknowledgement byte alone (an
// instance may keep the connection open after it), or else everything up to
// the end of the connection.
static InstanceClient::Outcome readAnswer(int fd, long long deadline, std::string *answer)
{
    for (;;) {
        if (!answer->empty() && answer->front() == InstanceClient::acknowledgement)
            return InstanceClient::Answered;
        pollfd readable { fd, POLLIN, 0 };
        const int ready = poll(&readable, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return InstanceClient::Unanswered;
        char buffer[4096];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        // An instance killed before it answered resets the connection or just closes it.
        const bool gone = count == 0 || (count < 0 && errno == ECONNRESET);
        if (gone && answer->empty())
            return InstanceClient::NotRunning;
        if (count < 0)
            return InstanceClient::Unanswered;
        if (count == 0)
            return InstanceClient::Answered;
        answer->append(buffer, size_t(count));
    }
}

std::string InstanceClient::instanceFiles(const std::string &identifier, bool createFolder)
{
    const std::string directory = privateDirectory(createFolder);
    const std::string files = directory + '/' + fileNameOf(identifier);
    if (directory.empty() || files.size() + std::strlen(".socket") >= sizeof sockaddr_un::sun_path)
        return std::string();
    return files;
}

std::string InstanceClient::serverPath(const std::string &identifier)
{
    const std::string files = instanceFiles(identifier, false);
    return files.empty() ? std::string() : files + ".socket";
}

InstanceClient::InstanceClient(std::string serverPath)
    : m_serverPath(std::move(serverPath))
{ }

InstanceClient::Outcome InstanceClient::send(
    const std::u16string &message, int timeout, ListenerWait wait, int passedDescriptor)
{
    m_answer.clear();
    if (m_serverPath.empty())
        return NotRunning;
    const long long deadline = monotonicMs() + timeout;
    for (;;) {
        const SocketDescriptor socket;
        if (socket.fd < 0)
            return NotRunning;
        if (connectTo(socket.fd, m_serverPath))
            return exchange(socket.fd, message, passedDescriptor, deadline);
        if (wait == NoWait)
            return NotRunning;
        if (monotonicMs() >= deadline)
            return Unanswered;
        usleep(listenerRetryMs * 1000);
    }
}

InstanceClient::Outcome InstanceClient::exchange(
    int fd, const std::u16string &message, int passedDescriptor, long long deadline)
{
    if (message.size() * 2 > maximumMessageBytes)
        return TooLong;
    if (!writeAll(fd, streamed(message), passedDescriptor))
        return NotRunning;
    std::string answer;
    const Outcome outcome = readAnswer(fd, deadline, &answer);
    if (outcome == Answered)
        m_answer = answer;
    return outcome;
}
