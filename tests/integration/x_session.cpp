#include "x_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <stdexcept>
#include <thread>

namespace tessiva::integration {
namespace {

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

long cardinalProperty(Display* d, Window w, const char* name, bool& found) {
    found = false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom atom = XInternAtom(d, name, False);
    if (XGetWindowProperty(d, w, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data != nullptr && count == 1 && format == 32) {
        found = true;
        const long value = *reinterpret_cast<long*>(data);
        XFree(data);
        return value;
    }
    if (data != nullptr) XFree(data);
    return 0;
}

void collect(Display* d, Window w, pid_t pid, std::vector<unsigned long>& out) {
    bool found = false;
    if (cardinalProperty(d, w, "_NET_WM_PID", found) == pid && found) {
        XWindowAttributes a{};
        if (XGetWindowAttributes(d, w, &a) != 0 && a.map_state == IsViewable) out.push_back(w);
    }
    Window rootReturn = 0, parent = 0;
    Window* kids = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, w, &rootReturn, &parent, &kids, &count) == 0) return;
    for (unsigned int i = 0; i < count; ++i) collect(d, kids[i], pid, out);
    if (kids != nullptr) XFree(kids);
}

}  // namespace

XSession::XSession() {
    XSetErrorHandler(ignoreErrors);
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr) throw std::runtime_error("no X display");
}

XSession::~XSession() { XCloseDisplay(m_display); }

unsigned long XSession::root() const { return DefaultRootWindow(m_display); }
int XSession::screenWidth() const { return DisplayWidth(m_display, DefaultScreen(m_display)); }
int XSession::screenHeight() const { return DisplayHeight(m_display, DefaultScreen(m_display)); }

std::vector<unsigned long> XSession::viewableWindowsOf(pid_t pid) {
    std::vector<unsigned long> out;
    XSync(m_display, False);
    collect(m_display, root(), pid, out);
    return out;
}

unsigned long XSession::waitForWindowOf(pid_t pid, std::chrono::milliseconds timeout) {
    unsigned long found = 0;
    waitUntil(
        [&] {
            const auto windows = viewableWindowsOf(pid);
            if (windows.empty()) return false;
            found = windows.front();
            return true;
        },
        timeout);
    return found;
}

std::vector<std::string> XSession::netWmState(unsigned long window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<std::string> names;
    const Atom atom = XInternAtom(m_display, "_NET_WM_STATE", False);
    if (XGetWindowProperty(m_display, window, atom, 0, 64, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            char* name = XGetAtomName(m_display, atoms[i]);
            if (name != nullptr) {
                names.emplace_back(name);
                XFree(name);
            }
        }
    }
    if (data != nullptr) XFree(data);
    return names;
}

std::string XSession::title(unsigned long window) {
    char* name = nullptr;
    std::string text;
    if (XFetchName(m_display, window, &name) != 0 && name != nullptr) {
        text = name;
        XFree(name);
    }
    return text;
}

Geometry XSession::geometry(unsigned long window) {
    XWindowAttributes a{};
    XGetWindowAttributes(m_display, window, &a);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(m_display, window, root(), 0, 0, &x, &y, &child);
    return Geometry{x, y, a.width, a.height};
}

std::vector<unsigned long> XSession::children(unsigned long window) {
    Window rootReturn = 0, parent = 0;
    Window* kids = nullptr;
    unsigned int count = 0;
    std::vector<unsigned long> out;
    if (XQueryTree(m_display, window, &rootReturn, &parent, &kids, &count) == 0) return out;
    out.assign(kids, kids + count);
    if (kids != nullptr) XFree(kids);
    return out;
}

bool XSession::isViewable(unsigned long window) {
    XWindowAttributes a{};
    return XGetWindowAttributes(m_display, window, &a) != 0 && a.map_state == IsViewable;
}

bool XSession::hasFocus(unsigned long window) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    while (focus != 0 && focus != PointerRoot) {
        if (focus == window) return true;
        Window rootReturn = 0, parent = 0;
        Window* kids = nullptr;
        unsigned int count = 0;
        if (XQueryTree(m_display, focus, &rootReturn, &parent, &kids, &count) == 0) return false;
        if (kids != nullptr) XFree(kids);
        if (parent == rootReturn) return false;
        focus = parent;
    }
    return false;
}

std::vector<int> XSession::frameExtents(unsigned long window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<int> out;
    const Atom atom = XInternAtom(m_display, "_NET_FRAME_EXTENTS", False);
    if (XGetWindowProperty(m_display, window, atom, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && count == 4) {
        const long* values = reinterpret_cast<long*>(data);
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<int>(values[i]));
    }
    if (data != nullptr) XFree(data);
    return out;
}

void XSession::setResources(const std::string& resources) {
    XChangeProperty(m_display, root(), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
    XSync(m_display, False);
}

unsigned long XSession::createHost(int width, int height, std::uint32_t background) {
    const Window host = XCreateSimpleWindow(m_display, root(), 100, 100, static_cast<unsigned>(width),
                                            static_cast<unsigned>(height), 0, 0, background);
    XStoreName(m_display, host, "preview host");
    XMapWindow(m_display, host);
    XSync(m_display, False);
    waitUntil([&] { return isViewable(host); }, std::chrono::milliseconds(2000));
    return host;
}

void XSession::destroy(unsigned long window) {
    XDestroyWindow(m_display, window);
    XSync(m_display, False);
}

std::vector<Rgb> XSession::capture(unsigned long window, int width, int height) {
    std::vector<Rgb> pixels;
    XImage* image = XGetImage(m_display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    pixels.reserve(static_cast<std::size_t>(width * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels.push_back(Rgb{static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                                 static_cast<int>(p & 0xFF)});
        }
    }
    XDestroyImage(image);
    return pixels;
}

bool XSession::cursorIsBlank() {
    XFixesCursorImage* image = XFixesGetCursorImage(m_display);
    if (image == nullptr) return false;
    bool blank = true;
    for (int i = 0; i < image->width * image->height && blank; ++i) blank = (image->pixels[i] >> 24) == 0;
    XFree(image);
    return blank;
}

void XSession::requestClose(unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, window, False, NoEventMask, &event);
    XSync(m_display, False);
}

void XSession::startCountingMaps() {
    m_maps = 0;
    XSelectInput(m_display, root(), SubstructureNotifyMask);
    XSync(m_display, False);
}

int XSession::mapsCounted() {
    XSync(m_display, False);
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == MapNotify) ++m_maps;
    }
    return m_maps;
}

bool XSession::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace tessiva::integration
