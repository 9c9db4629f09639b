// SPDX-License-Identifier: GPL-2.0-or-later
// Time from process start until the program's first window is mapped, on an
// Xvfb of our own without a window manager, with the private memory (RssAnon)
// at that moment. kav-run runs interleaved with a minimal Qt dialog, once as
// it comes and once without the xcb OpenGL integration.
//
//   startuptime [runs]
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Candidate
{
    std::string label;
    std::string program;
    std::vector<std::string> environment; // "NAME=value" set on top of ours
    std::vector<double> milliseconds;
    std::vector<long> rssAnonKb;
};

struct Sample
{
    double milliseconds = -1;
    long rssAnonKb = -1;
};

double now()
{
    timespec time {};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return double(time.tv_sec) * 1000.0 + double(time.tv_nsec) / 1.0e6;
}

[[noreturn]] void fail(const char *what)
{
    std::perror(what);
    std::exit(1);
}

long rssAnonKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("RssAnon:", 0) == 0)
            return std::strtol(line.c_str() + 8, nullptr, 10);
    }
    return -1;
}

// Starts Xvfb on a display number it chooses itself; returns the number.
int startXvfb(pid_t &pid)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        fail("pipe");
    pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        close(pipeFds[0]);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
            "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    char buffer[16] = {};
    const ssize_t length = read(pipeFds[0], buffer, sizeof buffer - 1);
    close(pipeFds[0]);
    if (length <= 0) {
        std::fprintf(stderr, "startuptime: Xvfb did not start\n");
        std::exit(1);
    }
    return std::atoi(buffer);
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// Runs one candidate and waits for a top-level window of it to be mapped.
Sample measure(xcb_connection_t *connection, const Candidate &candidate, const std::string &display)
{
    while (xcb_generic_event_t *stale = xcb_poll_for_event(connection))
        std::free(stale);

    Sample sample;
    const double start = now();
    const pid_t pid = fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        for (const std::string &variable : candidate.environment)
            putenv(const_cast<char *>(variable.c_str()));
        execl(candidate.program.c_str(), candidate.program.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }

    pollfd watched { xcb_get_file_descriptor(connection), POLLIN, 0 };
    while (sample.milliseconds < 0) {
        if (poll(&watched, 1, 10000) <= 0)
            break;
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && sample.milliseconds < 0) {
                sample.milliseconds = now() - start;
                sample.rssAnonKb = rssAnonKb(pid);
            }
            std::free(event);
        }
    }
    stop(pid);
    return sample;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

long median(std::vector<long> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string privateDirectory()
{
    char path[] = "/tmp/kavrun-bench-XXXXXX";
    if (!mkdtemp(path))
        fail("mkdtemp");
    return path;
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    // Every program runs with settings and a single-instance lock of its own.
    const std::string home = privateDirectory();
    const std::string runtime = home + "/runtime";
    mkdir(runtime.c_str(), 0700);
    const std::vector<std::string> privateEnvironment = { "XDG_RUNTIME_DIR=" + runtime,
        "XDG_CONFIG_HOME=" + home + "/config", "XDG_DATA_HOME=" + home + "/data",
        "XDG_CACHE_HOME=" + home + "/cache" };
    std::vector<std::string> glFreeEnvironment = privateEnvironment;
    glFreeEnvironment.push_back("QT_XCB_GL_INTEGRATION=none");

    std::vector<Candidate> candidates = {
        { "minimal Qt dialog", MINIMAL_DIALOG_PATH, privateEnvironment, {}, {} },
        { "minimal, GL integration off", MINIMAL_DIALOG_PATH, glFreeEnvironment, {}, {} },
        { "kav-run", KAVRUN_PATH, privateEnvironment, {}, {} },
    };

    pid_t xvfb = -1;
    const std::string display = ":" + std::to_string(startXvfb(xvfb));
    xcb_connection_t *connection = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "startuptime: cannot connect to %s\n", display.c_str());
        stop(xvfb);
        return 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    // One warm-up round fills the file cache; then the candidates take turns.
    for (Candidate &candidate : candidates)
        measure(connection, candidate, display);
    for (int run = 0; run < runs; ++run) {
        for (Candidate &candidate : candidates) {
            const Sample sample = measure(connection, candidate, display);
            if (sample.milliseconds < 0) {
                std::fprintf(stderr, "startuptime: %s mapped no window\n", candidate.label.c_str());
                continue;
            }
            candidate.milliseconds.push_back(sample.milliseconds);
            candidate.rssAnonKb.push_back(sample.rssAnonKb);
        }
    }
    xcb_disconnect(connection);
    stop(xvfb);
    std::error_code error;
    std::filesystem::remove_all(home, error);
    if (error)
        std::fprintf(stderr, "startuptime: could not remove %s\n", home.c_str());

    std::printf("time to map, %d runs each (ms)\n\n", runs);
    std::printf("%-30s %8s %8s %8s %12s\n", "program", "min", "median", "max", "RssAnon kB");
    for (const Candidate &candidate : candidates) {
        if (candidate.milliseconds.empty())
            continue;
        const auto [low, high] =
            std::minmax_element(candidate.milliseconds.begin(), candidate.milliseconds.end());
        std::printf("%-30s %8.1f %8.1f %8.1f %12ld\n", candidate.label.c_str(), *low,
            median(candidate.milliseconds), *high, median(candidate.rssAnonKb));
    }
    const Candidate &glFree = candidates[1];
    const Candidate &kavRun = candidates[2];
    if (!glFree.milliseconds.empty() && !kavRun.milliseconds.empty()) {
        const double ratio = median(kavRun.milliseconds) / median(glFree.milliseconds);
        std::printf("\nkav-run / GL-free minimal dialog: %.2f (target at most 1.15)\n", ratio);
    }
    return 0;
}
