#pragma once

#include <cstdint>

#include <SDL.h>

#ifdef _WIN32
// windows.h defines these names as macros; they are the same numbers, and here they are the names below. Taking
// windows.h in first means a later include of it changes nothing.
#include <windows.h>
#undef VK_DELETE
#undef VK_END
#undef VK_ESCAPE
#undef VK_F1
#undef VK_F12
#undef VK_HOME
#undef VK_LEFT
#undef VK_NEXT
#undef VK_PRIOR
#undef VK_RETURN
#undef VK_RIGHT
#undef VK_SHIFT
#undef VK_SPACE
#undef WM_CLOSE
#undef WM_DESTROY
#undef WM_KEYDOWN
#undef WM_LBUTTONDOWN
#undef WM_MBUTTONDOWN
#undef WM_MOUSEMOVE
#undef WM_NULL
#undef WM_QUIT
#undef WM_RBUTTONDOWN
#undef WM_SIZE
#endif

namespace platform {

// The window's native handle; the graphics layer creates its swap chain for it.
using WindowHandle = SDL_Window*;

// The few window messages the application handles, with their Windows numbers so that handlers read as usual.
enum MessageId : uint32_t {
    WM_NULL = 0x0000,
    WM_DESTROY = 0x0002,
    WM_SIZE = 0x0005,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_KEYDOWN = 0x0100,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_RBUTTONDOWN = 0x0204,
    WM_MBUTTONDOWN = 0x0207,
};

// Virtual-key codes of the keys that have a meaning or a common name.
constexpr uint32_t VK_RETURN = 0x0D;
constexpr uint32_t VK_ESCAPE = 0x1B;
constexpr uint32_t VK_SHIFT = 0x10;
constexpr uint32_t VK_SPACE = 0x20;
constexpr uint32_t VK_PRIOR = 0x21;  // Page Up
constexpr uint32_t VK_NEXT = 0x22;   // Page Down
constexpr uint32_t VK_END = 0x23;
constexpr uint32_t VK_HOME = 0x24;
constexpr uint32_t VK_LEFT = 0x25;
constexpr uint32_t VK_RIGHT = 0x27;
constexpr uint32_t VK_DELETE = 0x2E;
constexpr uint32_t VK_F1 = 0x70;
constexpr uint32_t VK_F12 = 0x7B;

struct Message {
    WindowHandle window = nullptr;
    uint32_t message = WM_NULL;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    // The event the message was made from, for input handlers that want the original (the debug overlay).
    SDL_Event event{};
};

// For a WM_KEYDOWN: whether Ctrl was held when the key went down.
inline bool controlHeld(const Message& message) {
    return message.event.type == SDL_KEYDOWN && (message.event.key.keysym.mod & KMOD_CTRL) != 0;
}

// For a WM_KEYDOWN: whether Shift was held when the key went down.
inline bool shiftHeld(const Message& message) {
    return message.event.type == SDL_KEYDOWN && (message.event.key.keysym.mod & KMOD_SHIFT) != 0;
}

inline int64_t makeSizeParam(int width, int height) {
    return static_cast<int64_t>((static_cast<uint32_t>(width) & 0xFFFF) | ((static_cast<uint32_t>(height) & 0xFFFF) << 16));
}
inline int lowWord(int64_t value) { return static_cast<int>(value & 0xFFFF); }
inline int highWord(int64_t value) { return static_cast<int>((value >> 16) & 0xFFFF); }

}  // namespace platform
