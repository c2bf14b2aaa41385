// Start-up: from exec of the program to its window being mapped on the X display (Xvfb) and to
// the window showing its finished first picture, and the program's resident memory then.
#include <cstdio>

#include "bench_support.h"

#ifdef BENCH_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>

extern char** environ;
#endif

namespace bench {

#ifdef BENCH_HAVE_X11
namespace {

// A window can vanish between its map and our look at its title; that is no failure here.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

bool TitleHas(Display* display, Window window, const char* word) {
    for (const char* name : {"_NET_WM_NAME", "WM_NAME"}) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        const Atom property = XInternAtom(display, name, False);
        if (XGetWindowProperty(display, window, property, 0, 1024, False, AnyPropertyType, &type,
                               &format, &count, &after, &data) != Success ||
            !data)
            continue;
        const bool found = format == 8 && memmem(data, count, word, strlen(word)) != nullptr;
        XFree(data);
        if (found) return true;
    }
    return false;
}

pid_t Spawn(const QStringList& arguments) {
    std::vector<QByteArray> words;
    for (const QString& a : arguments) words.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

// A fingerprint of three pixel rows across the window (top, middle, bottom): cheap enough to
// take every millisecond, and it changes when the program paints.
std::size_t Fingerprint(Display* display, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.width <= 0) return 0;
    std::string bytes;
    for (int y : {attributes.height / 8, attributes.height / 2, attributes.height * 7 / 8}) {
        XImage* image = XGetImage(display, window, 0, y, attributes.width, 1, AllPlanes, ZPixmap);
        if (!image) return 0;
        bytes.append(image->data, static_cast<std::size_t>(image->bytes_per_line));
        XDestroyImage(image);
    }
    return std::hash<std::string>()(bytes);
}

// Watches the window until `until`; returns when it began to show the picture it shows at the
// end, i.e. when the first complete paint reached the screen.
Clock::time_point WatchPaint(Display* display, Window window, Clock::time_point until) {
    std::vector<std::pair<Clock::time_point, std::size_t>> changes;
    while (Clock::now() < until) {
        const std::size_t print = Fingerprint(display, window);
        if (changes.empty() || changes.back().second != print)
            changes.emplace_back(Clock::now(), print);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return changes.back().first;
}

// Waits for a top-level window titled MODBUS to be mapped: when, and which window; false when
// the program ended or the wait timed out.
bool WaitForWindow(Display* display, pid_t pid, Clock::time_point* shown, Window* window) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && TitleHas(display, event.xmap.window, "MODBUS")) {
                *shown = Clock::now();
                *window = event.xmap.window;
                return true;
            }
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return false;
        pollfd pfd{ConnectionNumber(display), POLLIN, 0};
        poll(&pfd, 1, 50);
    }
    return false;
}

}  // namespace

int RunStartup(const Args& args) {
    const int runs = args.integer("runs", 10);
    const int settleMs = args.integer("settle", 1000);
    const bool demo = args.flag("demo");
    const QString program = args.text("program", BuildPath(QStringLiteral("src/modbus-debugger")));
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup: no X display (run.sh starts Xvfb and sets DISPLAY)\n");
        return 1;
    }
    XSetErrorHandler(IgnoreXErrors);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);
    setenv("QT_QPA_PLATFORM", "xcb", 1);

    std::vector<double> shownMs, paintedMs, rssAtShown, rssAfter;
    int failures = 0;
    // The first start fills the file and font caches; it is run but not counted.
    for (int run = -1; run < runs; ++run) {
        SimChild sim;
        QStringList command{program};
        if (demo) {
            command << QStringLiteral("--demo");
        } else {
            QString error;
            if (!sim.start(BuildPath(QStringLiteral("tools/inverter-sim/inverter-sim")), &error)) {
                std::fprintf(stderr, "startup: %s\n", qPrintable(error));
                return 1;
            }
            command << QStringLiteral("--port") << QStringLiteral("COM1=") + sim.devicePath();
        }
        XSync(display, True);  // forget the maps of earlier runs
        const Clock::time_point start = Clock::now();
        const pid_t pid = Spawn(command);
        Clock::time_point shown;
        Window window = 0;
        const bool ok = pid > 0 && WaitForWindow(display, pid, &shown, &window);
        if (ok) {
            const long atShown = ResidentKiB(pid);
            const Clock::time_point painted =
                WatchPaint(display, window, shown + std::chrono::milliseconds(settleMs));
            const long after = ResidentKiB(pid);
            if (run >= 0) {
                shownMs.push_back(MsBetween(start, shown));
                paintedMs.push_back(MsBetween(start, painted));
                rssAtShown.push_back(atShown / 1024.0);
                rssAfter.push_back(after / 1024.0);
            }
            std::printf(
                "startup%s run %d%s: window mapped after %.1f ms, painted after %.1f ms; "
                "resident %.1f MiB when mapped, %.1f MiB %d ms later\n",
                demo ? " --demo" : "", run + 1, run < 0 ? " (warm-up, not counted)" : "",
                MsBetween(start, shown), MsBetween(start, painted), atShown / 1024.0,
                after / 1024.0, settleMs);
        } else {
            ++failures;
            std::printf("startup run %d: no window appeared\n", run + 1);
        }
        std::fflush(stdout);
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    XCloseDisplay(display);
    const QString where = QStringLiteral(" (%1%2)").arg(
        demo ? QStringLiteral("--demo") : QStringLiteral("--port COM1=pty"),
        QStringLiteral(", Xvfb"));
    PrintRow({QStringLiteral("start-up: exec to window mapped") + where, QString(),
              QStringLiteral("ms"), shownMs, 1});
    PrintRow({QStringLiteral("start-up: exec to first complete picture") + where, QString(),
              QStringLiteral("ms"), paintedMs, 1});
    PrintRow({QStringLiteral("start-up: resident memory when mapped") + where, QString(),
              QStringLiteral("MiB"), rssAtShown, 1});
    PrintRow(
        {QStringLiteral("start-up: resident memory %1 s after the map").arg(settleMs / 1000.0) +
             where,
         QString(), QStringLiteral("MiB"), rssAfter, 1});
    PrintCountRow(QStringLiteral("start-up: runs without a window") + where, QStringLiteral("0"),
                  failures, failures == 0);
    return failures == 0 ? 0 : 1;
}
#else
int RunStartup(const Args&) {
    std::fprintf(stderr, "startup: built without Xlib (install libx11-dev and rebuild)\n");
    return 1;
}
#endif

}  // namespace bench
