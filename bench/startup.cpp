// Start-up of the main window against the toolkit's floor, a bare Qt window of the same size:
// time from process start to the window's first paint, and peak memory.
//
//   bench_startup xcb|offscreen|wayland RUNS PROGRAM BARE_WINDOW
//
// Each program is started as a child and timed from just before the spawn, so loading the
// libraries counts. Peak memory is the child's ru_maxrss from wait4(), once it has been left
// idle for a moment after its first paint and then terminated.
//
// On X nothing is added to the programs (PROGRAM is the real marlinth): this process watches
// the display. It finds the child's window in the window manager's client list by _NET_WM_PID,
// then reads one pixel row near the window's bottom edge, where both windows show only their
// background, until it matches the row a settled window shows. A first launch of each program,
// left to settle and not counted, gives that row and warms the file cache.
//
// Offscreen nothing outside the process can see a window, so each program reports for itself
// (PROGRAM is bench_startup_probe): given a file descriptor, it delivers pending messages once
// after showing its window, which paints it, and writes the monotonic clock there.
//
// On Wayland (WAYLAND_DISPLAY names a running compositor) the child logs its requests to the
// compositor (WAYLAND_DEBUG) into a pipe: the first frame is the first commit of a surface
// with a buffer attached. Both programs pay for the logging alike.
//
// Figures are medians; the exit status is 0 whenever they could be measured.

#include "bench_util.h"

#ifdef MARLINTH_BENCH_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using bench::Clock;
using namespace std::chrono_literals;

constexpr auto kGiveUpAfter = 20s;
// Long enough for the first paint's follow-up work to show in the peak; the same for both.
constexpr auto kIdleBeforeEnd = 300ms;
constexpr auto kSettleForReference = 1500ms;

struct Sample {
    double paintMs = 0;
    long peakKiB = 0;
};

// The parent's environment with the platform chosen, and without a session bus, so that
// neither program talks to a desktop's services (ours would turn the bus off by itself).
std::vector<std::string> childEnvironment(const char* platform) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("QT_QPA_PLATFORM=", 0) != 0 &&
            text.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) != 0)
            env.push_back(text);
    }
    env.push_back(std::string("QT_QPA_PLATFORM=") + platform);
    env.push_back("DBUS_SESSION_BUS_ADDRESS=disabled:");
    return env;
}

// The child's output goes nowhere, its error output too unless to `errors`: the toolkit's
// warnings would break up the table.
pid_t spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& env, int errors = -1) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : env)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (errors >= 0)
        posix_spawn_file_actions_adddup2(&actions, errors, STDERR_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Leaves an ended child for endChild() to collect.
bool exited(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Terminates the child and returns its peak resident size in KiB.
long endChild(pid_t pid) {
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return 0;
    return usage.ru_maxrss;
}

// ---- offscreen: the child writes the time of its first paint to a pipe ----

// Adds to the text what the child has written within the time; false once it closed the pipe.
bool readMore(int fd, int milliseconds, std::string& text) {
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, milliseconds) <= 0)
        return true;
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0)
        return false;
    text.append(buffer, std::size_t(got));
    return true;
}

// The monotonic time the child wrote, or nothing if it closed the pipe or took too long.
std::optional<std::int64_t> readStamp(int fd) {
    std::string text;
    const Clock::time_point tooLate = Clock::now() + kGiveUpAfter;
    while (text.find('\n') == std::string::npos && Clock::now() < tooLate) {
        if (!readMore(fd, 100, text))
            return std::nullopt;
    }
    if (text.find('\n') == std::string::npos)
        return std::nullopt;
    return std::stoll(text);
}

std::optional<Sample> runReporting(const std::string& program) {
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const std::int64_t startNs = bench::monotonicNanoseconds();
    const pid_t pid = spawn(program, {std::to_string(fds[1])}, childEnvironment("offscreen"));
    close(fds[1]);
    const std::optional<std::int64_t> paintedNs = pid < 0 ? std::nullopt : readStamp(fds[0]);
    close(fds[0]);
    if (pid < 0)
        return std::nullopt;
    if (!paintedNs) {
        endChild(pid);
        return std::nullopt;
    }
    std::this_thread::sleep_for(kIdleBeforeEnd);
    return Sample{double(*paintedNs - startNs) / 1e6, endChild(pid)};
}

// ---- Wayland: the child's requests tell when its first frame goes to the compositor ----

// Reads the child's log until its first frame or `until`; with `drain`, to `until` anyway, so
// that the child never waits on a full pipe. True when the frame was seen.
bool readLog(int fd, Clock::time_point until, bool drain = false) {
    std::string text;
    std::string attached; // "wl_surface@N", once a buffer is attached to it
    while (Clock::now() < until) {
        if (!readMore(fd, 20, text))
            return false;
        if (drain) {
            text.clear();
            continue;
        }
        for (std::size_t end; (end = text.find('\n')) != std::string::npos;
             text.erase(0, end + 1)) {
            const std::string line = text.substr(0, end);
            const std::size_t request = line.find("-> wl_surface@");
            if (request == std::string::npos)
                continue;
            const std::string surface =
                line.substr(request + 3, line.find('.', request) - request - 3);
            if (line.find(".attach(wl_buffer@", request) != std::string::npos)
                attached = surface;
            else if (surface == attached && line.find(".commit()", request) != std::string::npos)
                return true;
        }
    }
    return false;
}

std::optional<Sample> runLogged(const std::string& program) {
    int fds[2];
    if (pipe(fds) != 0)
        return std::nullopt;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    std::vector<std::string> env = childEnvironment("wayland");
    env.push_back("WAYLAND_DEBUG=1");
    const std::int64_t startNs = bench::monotonicNanoseconds();
    const pid_t pid = spawn(program, {}, env, fds[1]);
    close(fds[1]);
    const bool painted = pid >= 0 && readLog(fds[0], Clock::now() + kGiveUpAfter);
    const std::int64_t paintedNs = bench::monotonicNanoseconds();
    if (painted)
        readLog(fds[0], Clock::now() + kIdleBeforeEnd, true);
    const long peak = pid >= 0 ? endChild(pid) : 0;
    close(fds[0]);
    if (!painted)
        return std::nullopt;
    return Sample{double(paintedNs - startNs) / 1e6, peak};
}

// ---- X: this process watches the display ----

#ifdef MARLINTH_BENCH_X11
using Row = std::vector<unsigned long>;

class Watcher {
public:
    explicit Watcher(Display* display)
        : display_(display),
          root_(DefaultRootWindow(display)),
          clientList_(XInternAtom(display, "_NET_CLIENT_LIST", False)),
          pidAtom_(XInternAtom(display, "_NET_WM_PID", False)) {
        // A window may vanish between listing it and reading it; that is no error here.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }

    bool hasWindowManager() {
        return !listProperty(root_, XInternAtom(display_, "_NET_SUPPORTING_WM_CHECK", False),
                             XA_WINDOW)
                    .empty();
    }

    // The mapped, managed window of the process, or 0.
    Window windowOf(pid_t pid) {
        for (unsigned long client : listProperty(root_, clientList_, XA_WINDOW)) {
            const std::vector<unsigned long> owner = listProperty(client, pidAtom_, XA_CARDINAL);
            if (!owner.empty() && pid_t(owner[0]) == pid)
                return Window(client);
        }
        return 0;
    }

    // The row of pixels near the bottom edge, inside the window's own background.
    Row bottomRow(Window window) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, window, &attributes) || attributes.width < 32 ||
            attributes.height < 32)
            return {};
        const int inset = 8;
        XImage* image = XGetImage(display_, window, inset, attributes.height - inset,
                                  unsigned(attributes.width - 2 * inset), 1, AllPlanes, ZPixmap);
        if (!image)
            return {};
        Row row;
        for (int x = 0; x < image->width; ++x)
            row.push_back(XGetPixel(image, x, 0));
        XDestroyImage(image);
        return row;
    }

private:
    std::vector<unsigned long> listProperty(Window window, Atom property, Atom type) {
        Atom actualType = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;
        if (XGetWindowProperty(display_, window, property, 0, 4096, False, type, &actualType,
                               &format, &count, &remaining, &data) == Success &&
            data && format == 32) {
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            values.assign(items, items + count);
        }
        if (data)
            XFree(data);
        return values;
    }

    Display* display_;
    Window root_;
    Atom clientList_;
    Atom pidAtom_;
};

// The child's window once the window manager has it, or 0 if the child ended or took too long.
Window awaitWindow(Watcher& watcher, pid_t pid, Clock::time_point tooLate) {
    while (Clock::now() < tooLate && !exited(pid)) {
        if (const Window window = watcher.windowOf(pid))
            return window;
        std::this_thread::sleep_for(1ms);
    }
    return 0;
}

// The bottom row of the program's window once it has settled; empty if it showed none.
Row settledRow(Watcher& watcher, const std::string& program) {
    const pid_t pid = spawn(program, {}, childEnvironment("xcb"));
    if (pid < 0)
        return {};
    const Window window = awaitWindow(watcher, pid, Clock::now() + kGiveUpAfter);
    Row row;
    if (window) {
        std::this_thread::sleep_for(kSettleForReference);
        row = watcher.bottomRow(window);
    }
    endChild(pid);
    return row;
}

std::optional<Sample> runWatched(Watcher& watcher, const std::string& program, const Row& settled) {
    const Clock::time_point start = Clock::now();
    const pid_t pid = spawn(program, {}, childEnvironment("xcb"));
    if (pid < 0)
        return std::nullopt;
    const Clock::time_point tooLate = start + kGiveUpAfter;
    const Window window = awaitWindow(watcher, pid, tooLate);
    std::optional<double> paintMs;
    while (window && !paintMs && Clock::now() < tooLate) {
        if (watcher.bottomRow(window) == settled)
            paintMs = bench::millisecondsSince(start);
        else
            std::this_thread::sleep_for(1ms);
    }
    if (!paintMs) {
        endChild(pid);
        return std::nullopt;
    }
    std::this_thread::sleep_for(kIdleBeforeEnd);
    return Sample{*paintMs, endChild(pid)};
}
#endif

struct Figures {
    double paintMs = 0;
    double peakKiB = 0;
    int runs = 0;
};

// Launches alternate between the two programs, so that a change in the machine's load
// weighs on both alike.
template <typename Launch> std::array<Figures, 2> measure(int runs, Launch launch) {
    std::vector<double> paint[2];
    std::vector<double> peak[2];
    for (int i = 0; i < runs; ++i)
        for (int p = 0; p < 2; ++p)
            if (const std::optional<Sample> sample = launch(p)) {
                paint[p].push_back(sample->paintMs);
                peak[p].push_back(double(sample->peakKiB));
            }
    std::array<Figures, 2> figures;
    for (int p = 0; p < 2; ++p)
        figures[p] = {bench::median(paint[p]), bench::median(peak[p]), int(paint[p].size())};
    return figures;
}

void printRow(const char* platform, const char* name, const Figures& figures, int runs) {
    std::printf("  %-10s %-10s %10.1f %12.0f", platform, name, figures.paintMs, figures.peakKiB);
    if (figures.runs < runs)
        std::printf("   (%d of %d launches measured)", figures.runs, runs);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s xcb|offscreen|wayland RUNS PROGRAM BARE_WINDOW\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    const int runs = std::max(1, std::atoi(argv[2]));
    const std::string programs[2] = {argv[3], argv[4]};
    std::array<Figures, 2> figures;

    if (mode == "offscreen") {
        for (const std::string& program : programs)
            runReporting(program); // warms the file cache; not counted
        figures = measure(runs, [&](int p) { return runReporting(programs[p]); });
    } else if (mode == "wayland") {
        for (const std::string& program : programs)
            runLogged(program); // warms the file cache; not counted
        figures = measure(runs, [&](int p) { return runLogged(programs[p]); });
    } else if (mode == "xcb") {
#ifdef MARLINTH_BENCH_X11
        Display* display = XOpenDisplay(nullptr);
        if (!display) {
            std::fprintf(stderr, "bench_startup: cannot open the X display\n");
            return 1;
        }
        Watcher watcher(display);
        if (!watcher.hasWindowManager()) {
            std::fprintf(stderr, "bench_startup: the display has no window manager\n");
            return 1;
        }
        Row settled[2];
        for (int p = 0; p < 2; ++p) {
            settled[p] = settledRow(watcher, programs[p]);
            if (settled[p].empty()) {
                std::fprintf(stderr, "bench_startup: %s showed no window\n", programs[p].c_str());
                return 1;
            }
        }
        figures =
            measure(runs, [&](int p) { return runWatched(watcher, programs[p], settled[p]); });
        XCloseDisplay(display);
#else
        std::fprintf(stderr, "bench_startup: built without X support\n");
        return 1;
#endif
    } else {
        std::fprintf(stderr, "bench_startup: unknown mode %s\n", mode.c_str());
        return 2;
    }

    if (figures[0].runs == 0 || figures[1].runs == 0) {
        std::fprintf(stderr, "bench_startup: no run could be measured\n");
        return 1;
    }
    printRow(mode.c_str(), "marlinth", figures[0], runs);
    printRow(mode.c_str(), "bare Qt", figures[1], runs);
    std::printf("  %-10s %-10s %9.2fx %11.2fx\n", mode.c_str(), "ratio",
                figures[0].paintMs / figures[1].paintMs, figures[0].peakKiB / figures[1].peakKiB);
    return 0;
}
