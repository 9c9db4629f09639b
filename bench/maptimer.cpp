// SPDX-License-Identifier: GPL-2.0-or-later
#include "maptimer.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

static const xcb_keysym_t returnKeysym = 0xff0d;

static double now()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1000.0 + double(time.tv_nsec) / 1.0e6;
}

static long rssAnonKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("RssAnon:", 0) == 0)
            return std::strtol(line.c_str() + 8, nullptr, 10);
    }
    return -1;
}

// The processor time a process has used so far, in clock ticks; -1 when it is gone.
static long cpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return -1;
    // The command name may hold blanks; the fields after it are plain numbers.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            utime = std::atol(field.c_str());
        else if (number == 15)
            stime = std::atol(field.c_str());
    }
    return utime + stime;
}

// What one run has seen so far.
struct MapTimer::Progress
{
    double start = 0;
    pid_t pid = -1;
    xcb_window_t window = XCB_NONE;
    double mapped = -1;
    double returnPressed = -1;
    Sample sample;
};

MapTimer::MapTimer()
{
    if (server.name().empty())
        return;
    connection = xcb_connect(server.name().c_str(), nullptr);
    if (xcb_connection_has_error(connection))
        return;
    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(connection, &xcb_damage_id);
    if (damage && damage->present) {
        // The extension answers nothing before its version has been asked.
        std::free(xcb_damage_query_version_reply(connection,
            xcb_damage_query_version(
                connection, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
            nullptr));
        damageEventBase = damage->first_event;
        damageAvailable = true;
    }
    // Top-level windows are the root's children: their creation and maps reach
    // us as substructure events.
    root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

MapTimer::~MapTimer()
{
    if (connection)
        xcb_disconnect(connection);
}

bool MapTimer::isValid() const
{
    return connection && !xcb_connection_has_error(connection) && damageAvailable;
}

const std::string &MapTimer::display() const
{
    return server.name();
}

void MapTimer::trackWindow(xcb_window_t window)
{
    if (damages.count(window))
        return;
    const xcb_damage_damage_t damage = xcb_generate_id(connection);
    xcb_damage_create(connection, damage, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    damages[window] = damage;
}

void MapTimer::trackExistingWindows()
{
    xcb_query_tree_reply_t *tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (!tree)
        return;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int child = 0; child < xcb_query_tree_children_length(tree); ++child)
        trackWindow(children[child]);
    std::free(tree);
}

void MapTimer::handleEvent(const xcb_generic_event_t *event, Progress &progress)
{
    const uint8_t type = event->response_type & 0x7f;
    Sample &sample = progress.sample;
    if (type == XCB_CREATE_NOTIFY) {
        trackWindow(reinterpret_cast<const xcb_create_notify_event_t *>(event)->window);
    } else if (type == XCB_DESTROY_NOTIFY) {
        const xcb_window_t window =
            reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window;
        // The server frees a window's damage objects with the window.
        damages.erase(window);
        if (window == progress.window && progress.returnPressed >= 0
            && sample.closeMilliseconds < 0)
            sample.closeMilliseconds = now() - progress.returnPressed;
    } else if (type == XCB_MAP_NOTIFY) {
        if (sample.milliseconds < 0 && progress.start > 0) {
            progress.mapped = now();
            sample.milliseconds = progress.mapped - progress.start;
            sample.rssAnonKb = rssAnonKb(progress.pid);
            progress.window = reinterpret_cast<const xcb_map_notify_event_t *>(event)->window;
        }
    } else if (type == XCB_UNMAP_NOTIFY) {
        const auto *unmap = reinterpret_cast<const xcb_unmap_notify_event_t *>(event);
        if (unmap->window == progress.window && progress.returnPressed >= 0
            && sample.closeMilliseconds < 0)
            sample.closeMilliseconds = now() - progress.returnPressed;
    } else if (type == damageEventBase + XCB_DAMAGE_NOTIFY) {
        const auto *damage = reinterpret_cast<const xcb_damage_notify_event_t *>(event);
        const double at = now();
        const bool settling =
            sample.drawnMilliseconds < 0 || at <= progress.mapped + settlingMilliseconds;
        if (damage->drawable == progress.window && sample.milliseconds >= 0 && settling) {
            if (sample.drawnMilliseconds < 0)
                sample.drawnMilliseconds = at - progress.start;
            sample.lastDrawnMilliseconds = at - progress.start;
            ++sample.drawnRectangles;
        }
    }
}

bool MapTimer::pumpEvents(double waitMs, Progress &progress)
{
    if (xcb_connection_has_error(connection))
        return false;
    xcb_flush(connection);
    pollfd watched { xcb_get_file_descriptor(connection), POLLIN, 0 };
    poll(&watched, 1, std::max(0, int(waitMs)));
    while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
        handleEvent(event, progress);
        std::free(event);
    }
    xcb_flush(connection);
    return true;
}

void MapTimer::pressReturnIn(xcb_window_t window)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const int keycodes = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *mapping = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, keycodes), nullptr);
    if (!mapping)
        return;
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    const int perKeycode = mapping->keysyms_per_keycode;
    xcb_keycode_t returnKey = 0;
    for (int code = 0; code < keycodes && !returnKey; ++code) {
        if (keysyms[code * perKeycode] == returnKeysym)
            returnKey = xcb_keycode_t(setup->min_keycode + code);
    }
    std::free(mapping);
    if (!returnKey)
        return;
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    xcb_test_fake_input(connection, XCB_KEY_PRESS, returnKey, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(
        connection, XCB_KEY_RELEASE, returnKey, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection);
}

MapTimer::Sample MapTimer::run(const std::vector<std::string> &command,
    const std::vector<std::string> &environment, double timeoutMs, bool pressReturn)
{
    Progress progress;
    // Events left from the last run still create and forget windows.
    pumpEvents(0, progress);
    trackExistingWindows();
    pumpEvents(0, progress);

    const ProgramStart program(server.name(), command, environment);
    progress.start = now();
    const pid_t pid = program.start();
    if (pid < 0)
        return progress.sample;
    progress.pid = pid;

    const Sample &sample = progress.sample;
    const double deadline = progress.start + timeoutMs;
    const auto settled = [&progress, &sample] {
        return sample.drawnMilliseconds >= 0 && now() > progress.mapped + settlingMilliseconds;
    };
    bool failed = false;
    bool exited = false;
    // Short waits, so that a program that gives up is noticed at once. One
    // that ends well before anything is mapped has handed its work over, as
    // a later start does to a resident instance: its window is awaited.
    while (!settled() && now() < deadline && !failed) {
        if (!pumpEvents(std::min(20.0, deadline - now()), progress))
            break;
        int status = 0;
        if (!exited && sample.milliseconds < 0 && waitpid(pid, &status, WNOHANG) == pid) {
            exited = true;
            failed = !WIFEXITED(status) || WEXITSTATUS(status) != 0;
        }
    }

    if (pressReturn && sample.drawnMilliseconds >= 0) {
        // The work a program leaves for after its first frame is done before Return.
        long ticks = cpuTicks(pid);
        int quietSamples = 0;
        while (quietSamples < 3 && now() < deadline && ticks >= 0) {
            pumpEvents(50, progress);
            const long later = cpuTicks(pid);
            quietSamples = later == ticks ? quietSamples + 1 : 0;
            ticks = later;
        }
        pressReturnIn(progress.window);
        progress.returnPressed = now();
        while (sample.closeMilliseconds < 0 && now() < deadline) {
            if (!pumpEvents(std::min(20.0, deadline - now()), progress))
                break;
        }
    }
    stopGroup(pid);
    return progress.sample;
}
