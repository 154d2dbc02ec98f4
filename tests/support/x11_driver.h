#pragma once

#include <chrono>
#include <string>

// Drives another process's window on the test's X server the way a person would: key presses, the close
// button, resizing, mouse movement.
class X11Driver {
public:
    X11Driver();
    ~X11Driver();
    X11Driver(const X11Driver&) = delete;
    X11Driver& operator=(const X11Driver&) = delete;

    bool connected() const { return display_ != nullptr; }

    // The first mapped window of process `pid` whose X11 class is `windowClass`; 0 when none appears in time.
    // Several programs under test may show windows of the same class at once: the process tells them apart.
    unsigned long waitForWindow(const std::string& windowClass, int pid, std::chrono::milliseconds timeout);

    void pressKey(unsigned long window, const char* keyName);
    // The key pressed while `modifierName` (a Shift or Control key, "Shift_L", "Control_L"; null for none) is held.
    void pressKeyWith(unsigned long window, const char* modifierName, const char* keyName);
    // What the window manager sends when the close button is clicked.
    void requestClose(unsigned long window);
    void resize(unsigned long window, int width, int height);
    void moveMouse(unsigned long window, int x, int y);
    // The left button pressed at the first point, the pointer moved through `steps` points on the way to the last
    // and released there (a click when they are the same), with a pause after each step for the frames to follow.
    void drag(unsigned long window, int x0, int y0, int x1, int y1, int steps = 1,
              std::chrono::milliseconds pause = std::chrono::milliseconds(150));
    bool size(unsigned long window, int& width, int& height);

private:
    void* display_ = nullptr;
};
