// A screensaver daemon of the tests' own, as small as the real ones' part in the hosted
// saver: one override-redirect window of its own at the geometry given, which selects key
// presses, button presses and pointer moves on itself and raises itself every second; it
// starts PROGRAM with XSCREENSAVER_WINDOW naming that window, and answers commands.
//   tessiva_stand_in_daemon WxH+X+Y PROGRAM ARGS...
// Says on stdout, one line each: "window ID PID" once the program runs; "key", "button",
// "motion" for input its window got; "exit STATUS" or "signal N" when the program ended.
// Reads on stdin: "resize W H", "destroy" (the window), "quit"; ends at end of input, leaving
// the program to its parent-death signal.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    unsigned width = 0, height = 0;
    int x = 0, y = 0;
    if (argc < 3 || std::sscanf(argv[1], "%ux%u+%d+%d", &width, &height, &x, &y) != 4) {
        std::fprintf(stderr, "usage: %s WxH+X+Y PROGRAM ARGS...\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
    attributes.event_mask = KeyPressMask | ButtonPressMask | PointerMotionMask;
    Window window = XCreateWindow(display, DefaultRootWindow(display), x, y, width, height, 0, CopyFromParent,
                                  InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, window, "stand-in daemon");
    XMapRaised(display, window);
    XSync(display, False);

    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", window);
    setenv("XSCREENSAVER_WINDOW", id, 1);
    const pid_t child = fork();
    if (child == 0) {
        close(ConnectionNumber(display));
        execv(argv[2], argv + 2);
        _exit(127);
    }
    say(std::string("window ") + id + " " + std::to_string(child));

    bool childRunning = true;
    std::string input;
    auto raisedAt = std::chrono::steady_clock::now();
    for (;;) {
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        // Short, so that the program's end is told within a few milliseconds.
        poll(fds, 2, 5);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == KeyPress) say("key");
            if (event.type == ButtonPress) say("button");
            if (event.type == MotionNotify) say("motion");
        }
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            char buffer[256];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) return 0;
            input.append(buffer, static_cast<std::size_t>(got));
        }
        for (std::size_t end = input.find('\n'); end != std::string::npos; end = input.find('\n')) {
            const std::string command = input.substr(0, end);
            input.erase(0, end + 1);
            if (command == "quit") return 0;
            unsigned w = 0, h = 0;
            if (std::sscanf(command.c_str(), "resize %u %u", &w, &h) == 2) XResizeWindow(display, window, w, h);
            if (command == "destroy" && window != 0) {
                XDestroyWindow(display, window);
                window = 0;
            }
            XSync(display, False);
        }
        if (std::chrono::steady_clock::now() - raisedAt >= std::chrono::seconds(1)) {
            if (window != 0) XRaiseWindow(display, window);
            XFlush(display);
            raisedAt = std::chrono::steady_clock::now();
        }
        int status = 0;
        if (childRunning && waitpid(child, &status, WNOHANG) == child) {
            childRunning = false;
            say(WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status)) : "signal " + std::to_string(WTERMSIG(status)));
        }
    }
}
