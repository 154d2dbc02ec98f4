#include "platform/window/window.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/window/key_codes.h"

namespace platform {

namespace {

struct WindowClass {
    std::string name;
    WindowProcedure procedure = nullptr;
};

struct WindowRecord {
    WindowHandle handle = nullptr;
    WindowProcedure procedure = nullptr;
    void* userData = nullptr;
    bool destroyed = false;
};

std::vector<WindowClass> classes;     // main thread only
std::mutex windowsMutex;              // posting runs on any thread
std::vector<WindowRecord> windows;
std::atomic<uint32_t> postedEventType{0};

// Callers hold windowsMutex.
WindowRecord* findRecord(WindowHandle handle) {
    for (WindowRecord& record : windows) {
        if (record.handle == handle) return &record;
    }
    return nullptr;
}

WindowHandle windowFromId(uint32_t id) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    return window;
}

// Turns one event into the message the handlers know; WM_NULL for events without one (they still count as a
// message arriving).
Message translate(const SDL_Event& event) {
    Message message;
    message.event = event;
    if (event.type == postedEventType.load()) {
        message.window = windowFromId(event.user.windowID);
        message.message = static_cast<uint32_t>(event.user.code);
        message.wParam = reinterpret_cast<uintptr_t>(event.user.data1);
        message.lParam = static_cast<int64_t>(reinterpret_cast<intptr_t>(event.user.data2));
        return message;
    }
    switch (event.type) {
        case SDL_QUIT: {  // a signal or the desktop asking the program to end
            message.message = WM_CLOSE;
            std::lock_guard lock(windowsMutex);
            if (!windows.empty()) message.window = windows.front().handle;
            break;
        }
        case SDL_WINDOWEVENT:
            message.window = windowFromId(event.window.windowID);
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                message.message = WM_CLOSE;
            } else if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                message.message = WM_SIZE;
                message.lParam = makeSizeParam(event.window.data1, event.window.data2);
            }
            break;
        case SDL_KEYDOWN:
            message.window = windowFromId(event.key.windowID);
            message.message = WM_KEYDOWN;
            message.wParam = virtualKeyCode(event.key.keysym.sym);
            break;
        case SDL_MOUSEMOTION:
            message.window = windowFromId(event.motion.windowID);
            message.message = WM_MOUSEMOVE;
            message.lParam = makeSizeParam(event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            message.window = windowFromId(event.button.windowID);
            message.lParam = makeSizeParam(event.button.x, event.button.y);
            if (event.button.button == SDL_BUTTON_MIDDLE) message.message = WM_MBUTTONDOWN;
            if (event.button.button == SDL_BUTTON_LEFT) message.message = WM_LBUTTONDOWN;
            if (event.button.button == SDL_BUTTON_RIGHT) message.message = WM_RBUTTONDOWN;
            break;
        // No message of their own, but the window's: the overlay follows them.
        case SDL_MOUSEBUTTONUP: message.window = windowFromId(event.button.windowID); break;
        case SDL_MOUSEWHEEL: message.window = windowFromId(event.wheel.windowID); break;
        case SDL_TEXTINPUT: message.window = windowFromId(event.text.windowID); break;
        case SDL_KEYUP: message.window = windowFromId(event.key.windowID); break;
        default:
            break;
    }
    return message;
}

}  // namespace

std::optional<std::pair<int, int>> desktopSize() {
    // Started and stopped again: the window class is read from the environment when video starts for the window.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return std::nullopt;
    SDL_DisplayMode mode;
    std::optional<std::pair<int, int>> size;
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) size = std::pair{mode.w, mode.h};
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return size;
}

std::vector<DisplayInfo> displays() {
    std::vector<DisplayInfo> found;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return found;
    const int count = SDL_GetNumVideoDisplays();
    for (int index = 0; index < count; ++index) {
        DisplayInfo display;
        const char* name = SDL_GetDisplayName(index);
        display.name = name ? name : "";
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(index, &bounds) == 0) {
            display.x = bounds.x, display.y = bounds.y, display.width = bounds.w, display.height = bounds.h;
        }
        for (int m = 0; m < SDL_GetNumDisplayModes(index); ++m) {
            SDL_DisplayMode mode;
            if (SDL_GetDisplayMode(index, m, &mode) != 0 || mode.w <= 0 || mode.h <= 0) continue;
            const std::pair size{mode.w, mode.h};
            bool known = false;
            for (const auto& seen : display.modes) known = known || seen == size;
            if (!known) display.modes.push_back(size);  // the same size at other refresh rates is listed once
        }
        found.push_back(std::move(display));
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return found;
}

bool registerWindowClass(const char* className, WindowProcedure procedure) {
    if (!procedure || !className) return false;
#ifdef _WIN32
    // The window class SDL registers for its windows, under the program's module.
    if (SDL_RegisterApp(className, 0, GetModuleHandleW(nullptr)) != 0) return false;
#else
    // The X11 class of the windows is read from the environment when the video system starts.
    setenv("SDL_VIDEO_X11_WMCLASS", className, 1);
#endif
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "Windowing system unavailable: %s\n", SDL_GetError());
        return false;
    }
    if (postedEventType.load() == 0) {
        const uint32_t type = SDL_RegisterEvents(1);
        if (type == static_cast<uint32_t>(-1)) return false;
        postedEventType.store(type);
    }
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    classes.push_back({className, procedure});
    return true;
}

WindowHandle createWindow(const char* className, const WindowDesc& desc) {
    const WindowClass* windowClass = nullptr;
    for (const WindowClass& candidate : classes) {
        if (className && candidate.name == className) windowClass = &candidate;
    }
    if (!windowClass || desc.width <= 0 || desc.height <= 0) return nullptr;

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    flags |= desc.style == WindowStyle::Framed ? SDL_WINDOW_RESIZABLE : SDL_WINDOW_BORDERLESS;
    if (desc.fullScreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Window* window = SDL_CreateWindow(desc.title, desc.x, desc.y, desc.width, desc.height, flags);
    if (!window) {
        std::fprintf(stderr, "Unable to create the window: %s\n", SDL_GetError());
        return nullptr;
    }
    std::lock_guard lock(windowsMutex);
    windows.push_back({window, windowClass->procedure, nullptr, false});
    return window;
}

void setWindowUserData(WindowHandle window, void* data) {
    std::lock_guard lock(windowsMutex);
    if (WindowRecord* record = findRecord(window)) record->userData = data;
}

void* windowUserData(WindowHandle window) {
    std::lock_guard lock(windowsMutex);
    WindowRecord* record = findRecord(window);
    return record ? record->userData : nullptr;
}

bool getMessage(Message& message) {
    SDL_Event event;
    if (SDL_WaitEvent(&event) == 0) {
        // The event queue is gone (the windowing system never started or failed): nothing can arrive any more.
        message = Message{};
        message.message = WM_QUIT;
        return false;
    }
    message = translate(event);
    return message.message != WM_QUIT;
}

int64_t dispatchMessage(const Message& message) {
    WindowProcedure procedure = nullptr;
    {
        std::lock_guard lock(windowsMutex);
        if (WindowRecord* record = findRecord(message.window)) procedure = record->procedure;
    }
    return procedure ? procedure(message) : defaultWindowProcedure(message);
}

int64_t defaultWindowProcedure(const Message& message) {
    if (message.message != WM_CLOSE || !message.window) return 0;
    {
        std::lock_guard lock(windowsMutex);
        WindowRecord* record = findRecord(message.window);
        if (!record || record->destroyed) return 0;
        record->destroyed = true;
    }
    // The window disappears from the screen at once; the handle itself stays valid until the process ends
    // because another thread may still be presenting into it.
    SDL_HideWindow(message.window);
    Message destroy;
    destroy.window = message.window;
    destroy.message = WM_DESTROY;
    return dispatchMessage(destroy);
}

void postMessage(WindowHandle window, uint32_t message, uint64_t wParam, int64_t lParam) {
    const uint32_t type = postedEventType.load();
    if (type == 0) return;
    SDL_Event event{};
    event.type = type;
    event.user.windowID = window ? SDL_GetWindowID(window) : 0;
    event.user.code = static_cast<Sint32>(message);
    event.user.data1 = reinterpret_cast<void*>(static_cast<uintptr_t>(wParam));
    event.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(lParam));
    SDL_PushEvent(&event);
}

void postQuitMessage(int exitCode) { postMessage(nullptr, WM_QUIT, static_cast<uint64_t>(exitCode), 0); }

void postCloseToOwnWindows() {
    std::vector<WindowHandle> handles;
    {
        std::lock_guard lock(windowsMutex);
        for (const WindowRecord& record : windows) handles.push_back(record.handle);
    }
    for (WindowHandle handle : handles) postMessage(handle, WM_CLOSE, 0, 0);
}

void makeWindowTopmost(WindowHandle window) {
    if (window) SDL_SetWindowAlwaysOnTop(window, SDL_TRUE);
}

void showCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

}  // namespace platform
