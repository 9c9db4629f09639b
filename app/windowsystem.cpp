// SPDX-License-Identifier: GPL-2.0-or-later
#include "windowsystem.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The value of the last @p option (with one dash or two) that has one, or null.
static const char *lastOption(int argc, char *argv[], const char *option)
{
    const char *value = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        const char *name = argv[i];
        if (std::strncmp(name, "--", 2) == 0)
            ++name;
        if (name[0] == '-' && std::strcmp(name + 1, option) == 0)
            value = argv[++i];
    }
    return value;
}

// The platforms to try in order: a list such as "wayland;xcb".
static std::string platformList(int argc, char *argv[])
{
    if (const char *chosen = lastOption(argc, argv, "platform"))
        return chosen;
    const char *variable = std::getenv("QT_QPA_PLATFORM");
    if (variable && *variable)
        return variable;
    const char *session = std::getenv("XDG_SESSION_TYPE");
    return session && std::strcmp(session, "wayland") == 0 ? "wayland;xcb" : "xcb";
}

// The socket that a Wayland client connects to: $WAYLAND_DISPLAY, "wayland-0"
// when unset, in $XDG_RUNTIME_DIR unless it is a path. Empty when there is none.
static std::string waylandSocket()
{
    const char *name = std::getenv("WAYLAND_DISPLAY");
    if (!name)
        name = "wayland-0";
    if (name[0] == '/')
        return name;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!*name || !runtime || !*runtime)
        return std::string();
    return std::string(runtime) + '/' + name;
}

// Whether Qt finds the Wayland platform plugin of @p key ("wayland",
// "wayland-egl", ...) in $QT_PLUGIN_PATH or its own folder; Debian's qtwayland5
// may be missing.
static bool waylandPluginInstalled(const std::string &key)
{
    const std::string file = "/platforms/libq"
        + (strcasecmp(key.c_str(), "wayland") == 0 ? std::string("wayland-generic") : key) + ".so";
    std::string folders = KAVRUN_QT_PLUGINS_DIR;
    if (const char *path = std::getenv("QT_PLUGIN_PATH"))
        folders = std::string(path) + ':' + folders;
    for (size_t start = 0; start <= folders.size();) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && access((folder + file).c_str(), R_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

// Whether a compositor listens at @p path; connecting costs it nothing but a
// client that leaves at once.
static bool answers(const std::string &path)
{
    sockaddr_un address {};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    const bool connected =
        connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

WindowSystem WindowSystem::of(int argc, char *argv[])
{
    const std::string list = platformList(argc, argv);
    for (size_t start = 0;;) {
        const size_t end = list.find(';', start);
        const std::string entry = list.substr(start, end - start);
        const std::string name = entry.substr(0, entry.find(':'));
        // Qt's plugin keys ignore case; "wayland-egl" and the like are Wayland too.
        if (strcasecmp(name.c_str(), "xcb") == 0) {
            const char *display = lastOption(argc, argv, "display");
            if (!display)
                display = std::getenv("DISPLAY");
            if (display && *display)
                return { X11, display };
        } else if (strncasecmp(name.c_str(), "wayland", 7) == 0) {
            const std::string socket = waylandSocket();
            if (waylandPluginInstalled(name) && answers(socket))
                return { Wayland, socket };
        } else if (!name.empty()) {
            return { OtherPlatform, name };
        }
        if (end == std::string::npos)
            return {};
        start = end + 1;
    }
}

std::string WindowSystem::x11Server(const std::string &display)
{
    const size_t colon = display.rfind(':');
    if (colon == std::string::npos)
        return display;
    const std::string host = display.substr(0, colon);
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    return (host == "unix" ? std::string() : host) + ':' + number;
}

std::string WindowSystem::instanceIdentifier() const
{
    const std::string identifier = "kav-run@";
    switch (platform) {
    case X11:
        return identifier + x11Server(display);
    case Wayland:
        return identifier + "wayland:" + display;
    case OtherPlatform:
        return identifier + display;
    case NoWindowSystem:
        break;
    }
    return identifier;
}
