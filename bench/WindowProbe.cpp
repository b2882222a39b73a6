// window-probe: measures a desktop window from outside, as the window manager sees it.
//
//   window-probe ping WINDOW SECONDS    _NET_WM_PING every 20 ms; prints the longest round trip
//   window-probe find TITLE SECONDS     waits for a mapped client window titled TITLE; prints its
//   id window-probe startup TITLE CMD...   runs CMD, prints the milliseconds until a mapped client
//                                       window titled TITLE exists, then ends CMD
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <sys/select.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A window may vanish between being listed and being looked at; that is no error here.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Title(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 4096, False, utf8, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) != 0 && name != nullptr) {
        title = name;
        XFree(name);
    }
    return title;
}

// The client windows that the window manager lists, or nothing before it lists any.
std::vector<Window> Clients(Display* display) {
    const Atom list = XInternAtom(display, "_NET_CLIENT_LIST", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<Window> clients;
    if (XGetWindowProperty(display, DefaultRootWindow(display), list, 0, 4096, False, XA_WINDOW,
                           &type, &format, &count, &after, &data) == Success &&
        data != nullptr) {
        const auto* windows = reinterpret_cast<const unsigned long*>(data);
        clients.assign(windows, windows + count);
        XFree(data);
    }
    return clients;
}

// A pattern ending in "*" matches every title that begins with the rest.
bool TitleMatches(const std::string& title, const std::string& pattern) {
    if (!pattern.empty() && pattern.back() == '*')
        return title.starts_with(pattern.substr(0, pattern.size() - 1));
    return title == pattern;
}

std::optional<Window> MappedClient(Display* display, const std::string& title) {
    for (const Window window : Clients(display)) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes) != 0 &&
            attributes.map_state == IsViewable && TitleMatches(Title(display, window), title))
            return window;
    }
    return std::nullopt;
}

std::optional<Window> WaitForClient(Display* display, const std::string& title, double seconds) {
    const auto start = Clock::now();
    while (MillisecondsSince(start) < seconds * 1000) {
        if (const std::optional<Window> found = MappedClient(display, title))
            return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::nullopt;
}

// Waits for the answer to ping `serial`; false when `limit` passed first.
bool WaitForPong(Display* display, Window window, long serial, Clock::time_point limit) {
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == ping &&
                event.xclient.data.l[1] == serial &&
                static_cast<Window>(event.xclient.data.l[2]) == window)
                return true;
        }
        const double left = std::chrono::duration<double>(limit - Clock::now()).count();
        if (left <= 0)
            return false;
        const int fd = ConnectionNumber(display);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        timeval wait{0, static_cast<suseconds_t>(std::min(left, 0.01) * 1e6)};
        select(fd + 1, &readable, nullptr, nullptr, &wait);
    }
}

int Ping(Display* display, Window window, double seconds) {
    const Window root = DefaultRootWindow(display);
    // The window answers by sending the ping back to the root window.
    XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    const auto start = Clock::now();
    const Clock::time_point end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    double longest = 0;
    int pings = 0, late = 0;
    for (long serial = 1; Clock::now() < end; ++serial) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocols;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(ping);
        event.xclient.data.l[1] = serial;
        event.xclient.data.l[2] = static_cast<long>(window);
        const auto sent = Clock::now();
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
        // A ping still unanswered shortly after the end counts for as long as it waited.
        const bool answered = WaitForPong(display, window, serial, end + std::chrono::seconds(2));
        const double roundTrip = MillisecondsSince(sent);
        longest = std::max(longest, roundTrip);
        ++pings;
        if (roundTrip > 200)
            ++late;
        if (!answered)
            break;
        std::this_thread::sleep_until(sent + std::chrono::milliseconds(20));
    }
    std::printf("pings=%d longest_ms=%.1f over_200ms=%d\n", pings, longest, late);
    return 0;
}

int Startup(Display* display, const std::string& title, char** command) {
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    const std::optional<Window> found = WaitForClient(display, title, 60);
    const double elapsed = MillisecondsSince(start);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    if (!found) {
        std::fprintf(stderr, "window-probe: no window titled '%s'\n", title.c_str());
        return 1;
    }
    std::printf("%.1f\n", elapsed);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: window-probe ping WINDOW SECONDS | find TITLE SECONDS | "
                             "startup TITLE CMD...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "window-probe: no display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreError);
    const std::string mode = argv[1];
    if (mode == "ping")
        return Ping(display, std::strtoul(argv[2], nullptr, 0), std::atof(argv[3]));
    if (mode == "find") {
        const std::optional<Window> found = WaitForClient(display, argv[2], std::atof(argv[3]));
        if (!found)
            return 1;
        std::printf("%lu\n", *found);
        return 0;
    }
    if (mode == "startup")
        return Startup(display, argv[2], argv + 3);
    return 2;
}
