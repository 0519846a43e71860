// Times programs from their start to their first top-level window mapped on the X server, exactly: one X
// connection, held for the whole run, listens on the root window for MapNotify (SubstructureNotify), so no
// polling cost is added to either side. The programs alternate run by run.
//
//   bench_first_map time RUNS PROGRAM_A PROGRAM_B
//       RUNS starts of each, alternating; prints each run and the medians in milliseconds, and the ratio A / B.
//   bench_first_map hold
//       keeps a connection to the X server open until it is ended (Xvfb resets when its last client leaves).
//   bench_first_map memory TITLE SECONDS PROGRAM [ARG...]
//       starts the program, waits for a top-level window titled TITLE, lets it run SECONDS more, and prints
//       the program's peak resident memory (VmHWM) in megabytes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Connection
{
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;

    Connection()
    {
        int screenNumber = 0;
        c = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(c)) {
            std::fprintf(stderr, "bench_first_map: cannot connect to the X server\n");
            std::exit(1);
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screenNumber; ++i) {
            xcb_screen_next(&it);
        }
        root = it.data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }
    ~Connection() { xcb_disconnect(c); }

    // Drops whatever events are queued (maps and unmaps of the previous run).
    void drain()
    {
        sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            std::free(event);
        }
    }

    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

    std::string title(xcb_window_t window)
    {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(c, cookie, nullptr), &std::free);
        if (!reply) {
            return {};
        }
        return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }

    // Waits for a top-level window (a child of the root, not override-redirect) to be mapped; with a title
    // given, for one of that title. Returns false when the program ended first.
    bool waitForMap(pid_t pid, const std::string& wantedTitle)
    {
        for (;;) {
            xcb_generic_event_t* event = xcb_poll_for_event(c);
            if (event == nullptr) {
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) == pid) {
                    return false;
                }
                if (xcb_connection_has_error(c)) {
                    return false;
                }
                // Sleep in the X connection's file descriptor until something arrives (or 50 ms).
                fd_set fds;
                FD_ZERO(&fds);
                FD_SET(xcb_get_file_descriptor(c), &fds);
                timeval timeout{0, 50000};
                select(xcb_get_file_descriptor(c) + 1, &fds, nullptr, nullptr, &timeout);
                continue;
            }
            const bool topLevelMap = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                                     reinterpret_cast<xcb_map_notify_event_t*>(event)->event == root &&
                                     !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            std::free(event);
            if (topLevelMap && (wantedTitle.empty() || title(window) == wantedTitle)) {
                return true;
            }
        }
    }
};

pid_t start(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        std::fprintf(stderr, "bench_first_map: cannot start %s: %s\n", argv[0], std::strerror(failed));
        std::exit(1);
    }
    return pid;
}

void stop(pid_t pid)
{
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double timeOne(Connection& x, const std::string& program)
{
    x.drain();
    const Clock::time_point begin = Clock::now();
    const pid_t pid = start({program});
    const bool mapped = x.waitForMap(pid, {});
    const Clock::time_point end = Clock::now();
    if (!mapped) {
        std::fprintf(stderr, "bench_first_map: %s ended before mapping a window\n", program.c_str());
        std::exit(1);
    }
    stop(pid);
    return std::chrono::duration<double, std::milli>(end - begin).count();
}

int timeBoth(int runs, const std::string& a, const std::string& b)
{
    Connection x;
    timeOne(x, a); // one start each to warm the caches
    timeOne(x, b);
    std::vector<double> timesA;
    std::vector<double> timesB;
    for (int i = 0; i < runs; ++i) {
        timesA.push_back(timeOne(x, a));
        timesB.push_back(timeOne(x, b));
    }
    auto list = [](const std::vector<double>& values) {
        std::string text;
        for (const double v : values) {
            char number[32];
            std::snprintf(number, sizeof number, " %.1f", v);
            text += number;
        }
        return text;
    };
    const double ma = median(timesA);
    const double mb = median(timesB);
    const double fa = *std::min_element(timesA.begin(), timesA.end());
    const double fb = *std::min_element(timesB.begin(), timesB.end());
    const std::string nameA = a.substr(a.rfind('/') + 1);
    const std::string nameB = b.substr(b.rfind('/') + 1);
    std::printf("first window mapped, median of %d runs: %s %.1f ms, %s %.1f ms, ratio %.2f\n", runs, nameA.c_str(), ma,
                nameB.c_str(), mb, ma / mb);
    std::printf("  fastest run: %s %.1f ms, %s %.1f ms, ratio %.2f\n", nameA.c_str(), fa, nameB.c_str(), fb, fa / fb);
    std::printf("  %s runs (ms):%s\n", a.substr(a.rfind('/') + 1).c_str(), list(timesA).c_str());
    std::printf("  %s runs (ms):%s\n", b.substr(b.rfind('/') + 1).c_str(), list(timesB).c_str());
    return 0;
}

long peakKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

int memory(const std::string& title, double seconds, const std::vector<std::string>& command)
{
    Connection x;
    const pid_t pid = start(command);
    if (!x.waitForMap(pid, title)) {
        std::fprintf(stderr, "bench_first_map: %s ended before showing '%s'\n", command[0].c_str(), title.c_str());
        return 1;
    }
    usleep(static_cast<useconds_t>(seconds * 1e6));
    const long peak = peakKilobytes(pid);
    stop(pid);
    std::printf("%.1f\n", static_cast<double>(peak) / 1024.0);
    return peak < 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "time" && argc == 5) {
        return timeBoth(std::max(1, std::atoi(argv[2])), argv[3], argv[4]);
    }
    if (mode == "hold" && argc == 2) {
        Connection x;
        pause();
        return 0;
    }
    if (mode == "memory" && argc >= 5) {
        return memory(argv[2], std::atof(argv[3]), std::vector<std::string>(argv + 4, argv + argc));
    }
    std::fprintf(stderr, "usage: bench_first_map time RUNS PROGRAM_A PROGRAM_B\n"
                         "       bench_first_map hold\n"
                         "       bench_first_map memory TITLE SECONDS PROGRAM [ARG...]\n");
    return 2;
}
