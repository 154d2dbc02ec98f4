#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/window/messages.h"

namespace platform {

// A window procedure: called on the main thread for every message of its window; answers a result code.
using WindowProcedure = int64_t (*)(const Message& message);

enum class WindowStyle { Framed, Popup };

struct WindowDesc {
    const char* title = "";
    WindowStyle style = WindowStyle::Framed;
    int x = 0;  // client area, screen pixels
    int y = 0;
    int width = 0;
    int height = 0;
    bool fullScreen = false;  // covers the whole desktop (the popup style's full-screen form)
};

// Starts the windowing system and remembers the procedure for the windows created afterwards; false (with the
// system's reason in `error`) when there is no display to open windows on. Main thread only.
bool registerWindowClass(const char* className, WindowProcedure procedure);

// Creates a visible window whose client area has the described size and position, ready for an OpenGL swap
// chain. Null on failure. Main thread only.
WindowHandle createWindow(const char* className, const WindowDesc& desc);

void setWindowUserData(WindowHandle window, void* data);
void* windowUserData(WindowHandle window);

// Waits for the next message of the thread's windows; false when it is the quit message.
bool getMessage(Message& message);
// Hands a message to its window's procedure.
int64_t dispatchMessage(const Message& message);
// What a window does with a message its procedure passes on: WM_CLOSE destroys the window (its procedure then
// gets WM_DESTROY); everything else is ignored.
int64_t defaultWindowProcedure(const Message& message);

// Thread-safe: queue a message for the main thread's loop.
void postMessage(WindowHandle window, uint32_t message, uint64_t wParam, int64_t lParam);
void postQuitMessage(int exitCode);
// Posts WM_CLOSE to every window of this process (the exit routine's farewell); does nothing without windows.
void postCloseToOwnWindows();

// The resolution of the first display's desktop; null when there is no display. Main thread only.
std::optional<std::pair<int, int>> desktopSize();

// One display of the desktop: where it sits on the desktop and the resolutions it offers.
struct DisplayInfo {
    std::string name;
    int x = 0, y = 0, width = 0, height = 0;   // its desktop area
    std::vector<std::pair<int, int>> modes;    // each size once, as the system lists them (largest first)
};
// The displays in the system's order; empty when there is no display. Main thread only, before the window class
// is registered (it starts and stops the windowing system).
std::vector<DisplayInfo> displays();

void makeWindowTopmost(WindowHandle window);
void showCursor(bool visible);

}  // namespace platform
