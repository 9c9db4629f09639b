// SPDX-License-Identifier: GPL-2.0-or-later
// Whether the keys typed right after a launcher starts reach its field, on an
// Xvfb of our own with openbox. A window of the benchmark's own has the
// focus, as the window that the user worked in; the launcher is started and
// 20 letters are typed through XTest, one every 5 ms, the first at the start.
// Once the launcher has the focus and has settled, its field is read through
// the clipboard (Ctrl+A, Ctrl+C, xclip). Printed per launcher: the share of
// the letters that the field holds in order (median and lowest of the runs),
// and how many letters reached the window that had the focus, in all runs.
// kav-run as a first start and as a later start with a resident kav-run,
// beside its dialog program started directly, which holds no keyboard, and
// gmrun (bench/setup-peers.sh installs it).
//
//   typeahead [runs]      # 10 runs by default
#include "scratchhome.h"
#include "xvfbdisplay.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

static const char typed[] = "qzxvkjwqzxvkjwqzxvkj";
static const int keyIntervalMs = 5;
static const double settleMs = 3000;

static const xcb_keysym_t controlKeysym = 0xffe3;
static const xcb_keysym_t escapeKeysym = 0xff1b;

static double now()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1000.0 + double(time.tv_nsec) / 1.0e6;
}

static std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// The length of the longest common subsequence: the letters that arrived in order.
static size_t inOrder(const std::string &sent, const std::string &received)
{
    std::vector<size_t> row(received.size() + 1, 0);
    for (const char letter : sent) {
        size_t diagonal = 0;
        for (size_t j = 1; j <= received.size(); ++j) {
            const size_t above = row[j];
            row[j] = letter == received[j - 1] ? diagonal + 1 : std::max(row[j], row[j - 1]);
            diagonal = above;
        }
    }
    return row.back();
}

static bool isInstalled(const char *program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null").c_str()) == 0;
}

// The X side: the window that has the focus before each start, which counts
// the keys it gets, and a keyboard typed through XTest.
class Desk
{
public:
    explicit Desk(const std::string &display)
        : connection(xcb_connect(display.c_str(), nullptr))
    {
        if (xcb_connection_has_error(connection))
            return;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        root = screen->root;
        window = xcb_generate_id(connection);
        const uint32_t values[] = { screen->white_pixel, XCB_EVENT_MASK_KEY_PRESS };
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root, 0, 0, 640, 480, 0,
            XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
            XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(connection, window);
        readKeyboardMapping();
        sync();
    }
    ~Desk() { xcb_disconnect(connection); }

    bool isValid() const { return !xcb_connection_has_error(connection) && window; }

    void focusOwnWindow()
    {
        xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        sync();
        pressesHere = 0;
        pumpEvents();
    }

    // Whether another window than ours and the root has the focus.
    bool focusMovedAway()
    {
        xcb_get_input_focus_reply_t *focus =
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        const bool away =
            focus && focus->focus != window && focus->focus != root && focus->focus > 1;
        std::free(focus);
        return away;
    }

    void press(xcb_keysym_t keysym, bool withControl = false)
    {
        const xcb_keycode_t key = keycodeOf(keysym);
        const xcb_keycode_t control = keycodeOf(controlKeysym);
        if (withControl)
            fake(XCB_KEY_PRESS, control);
        fake(XCB_KEY_PRESS, key);
        fake(XCB_KEY_RELEASE, key);
        if (withControl)
            fake(XCB_KEY_RELEASE, control);
        xcb_flush(connection);
    }
    void pressEscape() { press(escapeKeysym); }

    // The keys that our window got since it last took the focus.
    int keysReceived()
    {
        pumpEvents();
        return pressesHere;
    }

private:
    void sync()
    {
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

    void pumpEvents()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_KEY_PRESS)
                ++pressesHere;
            std::free(event);
        }
    }

    void readKeyboardMapping()
    {
        const xcb_setup_t *setup = xcb_get_setup(connection);
        firstKeycode = setup->min_keycode;
        const int keycodes = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t *mapping = xcb_get_keyboard_mapping_reply(connection,
            xcb_get_keyboard_mapping(connection, setup->min_keycode, uint8_t(keycodes)), nullptr);
        if (!mapping)
            return;
        const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
        perKeycode = mapping->keysyms_per_keycode;
        keysymsByKeycode.assign(keysyms, keysyms + keycodes * perKeycode);
        std::free(mapping);
    }

    xcb_keycode_t keycodeOf(xcb_keysym_t keysym) const
    {
        for (size_t code = 0; perKeycode && code < keysymsByKeycode.size() / perKeycode; ++code) {
            if (keysymsByKeycode[code * perKeycode] == keysym)
                return xcb_keycode_t(firstKeycode + code);
        }
        return 0;
    }

    void fake(uint8_t type, xcb_keycode_t key)
    {
        xcb_test_fake_input(connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }

    xcb_connection_t *connection;
    xcb_window_t root = XCB_NONE;
    xcb_window_t window = XCB_NONE;
    int pressesHere = 0;
    xcb_keycode_t firstKeycode = 0;
    size_t perKeycode = 0;
    std::vector<xcb_keysym_t> keysymsByKeycode;
};

static std::string clipboard(const std::string &display)
{
    const std::string command =
        "DISPLAY=" + display + " timeout 2 xclip -o -selection clipboard 2>/dev/null";
    std::string text;
    if (FILE *output = popen(command.c_str(), "r")) {
        char buffer[256];
        size_t count;
        while ((count = fread(buffer, 1, sizeof buffer, output)) > 0)
            text.append(buffer, count);
        pclose(output);
    }
    return text;
}

struct Launcher
{
    std::string label;
    std::vector<std::string> command;
    std::vector<std::string> environment;
    // A resident's dialog is closed with Escape; anything else is ended.
    bool resident = false;
    std::vector<double> shares = {};
    int keysElsewhere = 0;
};

static void runOnce(Desk &desk, const std::string &display, Launcher &launcher)
{
    desk.focusOwnWindow();
    const double begin = now();
    const pid_t pid = startOnDisplay(display, launcher.command, launcher.environment);
    for (size_t letter = 0; letter + 1 < sizeof typed; ++letter) {
        const double due = begin + double(letter * keyIntervalMs);
        if (now() < due)
            usleep(useconds_t((due - now()) * 1000));
        desk.press(xcb_keysym_t(typed[letter]));
    }
    while (!desk.focusMovedAway() && now() - begin < settleMs)
        usleep(10000);
    // The keys queued meanwhile are handled, a completion list may come and go.
    usleep(500000);
    launcher.keysElsewhere += desk.keysReceived();
    desk.press('a', true);
    desk.press('c', true);
    usleep(200000);
    const std::string field = clipboard(display);
    launcher.shares.push_back(double(inOrder(typed, field)) / double(sizeof typed - 1));
    if (launcher.resident) {
        desk.pressEscape();
        usleep(800000);
    }
    stopGroup(pid);
}

static bool waitForFile(const std::string &path)
{
    struct stat info;
    for (int tries = 0; tries < 250 && stat(path.c_str(), &info) != 0; ++tries)
        usleep(20000);
    return stat(path.c_str(), &info) == 0;
}

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    // The keyboard hold of a start, a watcher and the holder that it starts,
    // are a grandchild and a great-grandchild that outlive their parents.
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    const XvfbDisplay server;
    const ScratchHome firstHome;
    const ScratchHome residentHome;
    const ScratchHome gmrunHome;
    if (server.name().empty() || firstHome.path().empty() || residentHome.path().empty()
        || gmrunHome.path().empty()) {
        std::fprintf(stderr, "typeahead: cannot start Xvfb or make a scratch home\n");
        return 1;
    }
    const std::string &display = server.name();
    const pid_t windowManager = startOnDisplay(display, { "openbox" }, {});
    usleep(1000000);
    Desk desk(display);
    if (!desk.isValid()) {
        std::fprintf(stderr, "typeahead: cannot use %s\n", display.c_str());
        stopGroup(windowManager);
        return 1;
    }
    auto environmentOf = [](const ScratchHome &home) {
        std::vector<std::string> environment = home.environment();
        environment.push_back("QT_QPA_PLATFORM=xcb");
        return environment;
    };
    const pid_t resident =
        startOnDisplay(display, { KAVRUN_PATH, "--resident" }, environmentOf(residentHome));
    if (!waitForFile(residentHome.path() + "/runtime/kav-run@" + display + ".socket")) {
        std::fprintf(stderr, "typeahead: the resident kav-run did not start\n");
        stopGroup(resident);
        stopGroup(windowManager);
        return 1;
    }
    usleep(500000);

    std::vector<Launcher> launchers = {
        { "kav-run, first start", { KAVRUN_PATH }, environmentOf(firstHome) },
        { "kav-run, later start with a resident", { KAVRUN_PATH }, environmentOf(residentHome),
            true },
        { "kav-run-dialog alone, no keyboard hold", { KAVRUN_DIALOG_PATH },
            environmentOf(firstHome) },
    };
    if (isInstalled("gmrun"))
        launchers.push_back({ "gmrun", { "gmrun" }, gmrunHome.environment() });
    else
        std::printf("gmrun is not installed (see bench/setup-peers.sh)\n");

    const std::string loadBefore = loadAverage();
    for (int run = -1; run < runs; ++run) {
        for (Launcher &launcher : launchers) {
            // A first round fills the caches and counts for nothing.
            Launcher warmUp = launcher;
            runOnce(desk, display, run < 0 ? warmUp : launcher);
        }
    }
    const std::string loadAfter = loadAverage();
    stopGroup(resident);
    stopGroup(windowManager);

    std::printf("%zu letters, one every %d ms from the start, %d runs each, Xvfb %s with openbox\n"
                "load average before %s, after %s\n\n",
        sizeof typed - 1, keyIntervalMs, runs, display.c_str(), loadBefore.c_str(),
        loadAfter.c_str());
    std::printf("%-40s %10s %10s %16s\n", "", "in field", "lowest", "to the window");
    std::printf("%-40s %10s %10s %16s\n", "", "median", "", "before, in all");
    for (Launcher &launcher : launchers) {
        std::vector<double> &shares = launcher.shares;
        std::sort(shares.begin(), shares.end());
        const double median = shares.empty() ? -1 : shares[shares.size() / 2];
        std::printf("%-40s %10.2f %10.2f %16d\n", launcher.label.c_str(), median,
            shares.empty() ? -1 : shares.front(), launcher.keysElsewhere);
    }
    return 0;
}
