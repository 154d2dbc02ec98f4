#include "support/x11_driver.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstring>
#include <thread>

namespace {

Display* asDisplay(void* display) { return static_cast<Display*>(display); }

bool hasClass(Display* display, Window window, const std::string& windowClass) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return false;
    const bool match = (hint.res_class && windowClass == hint.res_class) || (hint.res_name && windowClass == hint.res_name);
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return match;
}

int windowProcess(Display* display, Window window) {
    Atom type;
    int format;
    unsigned long count, remaining;
    unsigned char* data = nullptr;
    int pid = -1;
    if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                           &type, &format, &count, &remaining, &data) == Success &&
        data && count == 1 && format == 32) {
        pid = static_cast<int>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
    return pid;
}

// Windows of other programs may vanish while they are looked at; such errors are not the test's.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

Window findWindow(Display* display, Window parent, const std::string& windowClass, int pid) {
    Window root, ignored, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &ignored, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes;
        if (hasClass(display, children[i], windowClass) && windowProcess(display, children[i]) == pid &&
            XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable) {
            found = children[i];
        } else {
            found = findWindow(display, children[i], windowClass, pid);
        }
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

X11Driver::X11Driver() : display_(XOpenDisplay(nullptr)) { XSetErrorHandler(ignoreErrors); }

X11Driver::~X11Driver() {
    if (display_) XCloseDisplay(asDisplay(display_));
}

unsigned long X11Driver::waitForWindow(const std::string& windowClass, int pid, std::chrono::milliseconds timeout) {
    if (!display_) return 0;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        Display* display = asDisplay(display_);
        if (Window window = findWindow(display, DefaultRootWindow(display), windowClass, pid)) return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

void X11Driver::pressKey(unsigned long window, const char* keyName) { pressKeyWith(window, nullptr, keyName); }

void X11Driver::pressKeyWith(unsigned long window, const char* modifierName, const char* keyName) {
    Display* display = asDisplay(display_);
    // The window must hold the keyboard focus before the key arrives, as it would under a person's hands.
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    XKeyEvent event{};
    event.display = display;
    event.window = window;
    event.root = DefaultRootWindow(display);
    event.same_screen = True;
    auto send = [&](int type, const char* name, unsigned state) {
        event.type = type;
        event.keycode = XKeysymToKeycode(display, XStringToKeysym(name));
        event.state = state;
        XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask,
                   reinterpret_cast<XEvent*>(&event));
    };
    const unsigned held = !modifierName ? 0 : std::strncmp(modifierName, "Control", 7) == 0 ? ControlMask : ShiftMask;
    if (modifierName) send(KeyPress, modifierName, 0);
    send(KeyPress, keyName, held);
    send(KeyRelease, keyName, held);
    if (modifierName) send(KeyRelease, modifierName, held);
    XFlush(display);
}

void X11Driver::requestClose(unsigned long window) {
    Display* display = asDisplay(display_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

void X11Driver::resize(unsigned long window, int width, int height) {
    XResizeWindow(asDisplay(display_), window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(asDisplay(display_));
}

void X11Driver::moveMouse(unsigned long window, int x, int y) {
    XWarpPointer(asDisplay(display_), None, window, 0, 0, 0, 0, x, y);
    XFlush(asDisplay(display_));
}

void X11Driver::drag(unsigned long window, int x0, int y0, int x1, int y1, int steps, std::chrono::milliseconds pause) {
    Display* display = asDisplay(display_);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    moveMouse(window, x0, y0);
    std::this_thread::sleep_for(pause);
    auto button = [&](int type, int x, int y) {
        XButtonEvent event{};
        event.type = type;
        event.display = display;
        event.window = window;
        event.root = DefaultRootWindow(display);
        event.same_screen = True;
        event.button = Button1;
        event.x = x;
        event.y = y;
        event.state = type == ButtonRelease ? Button1Mask : 0;
        XSendEvent(display, window, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
                   reinterpret_cast<XEvent*>(&event));
        XFlush(display);
    };
    button(ButtonPress, x0, y0);
    std::this_thread::sleep_for(pause);
    for (int step = 1; step <= steps; ++step) {
        moveMouse(window, x0 + (x1 - x0) * step / steps, y0 + (y1 - y0) * step / steps);
        std::this_thread::sleep_for(pause);
    }
    button(ButtonRelease, x1, y1);
    std::this_thread::sleep_for(pause);
}

bool X11Driver::size(unsigned long window, int& width, int& height) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(asDisplay(display_), window, &attributes)) return false;
    width = attributes.width;
    height = attributes.height;
    return true;
}
