#pragma once

// The GL contexts behind one device: the immediate context, current on the thread that created the device for
// the device's whole life, and one shared resource context for the device's resource thread.

#include <memory>
#include <string>

struct SDL_Window;

namespace gpu {

class GlContexts {
public:
    virtual ~GlContexts() = default;

    // On the resource thread only.
    virtual bool bindResourceContext() = 0;
    virtual void unbindResourceContext() = 0;

    // Window services; a headless device has none.
    virtual SDL_Window* window() const { return nullptr; }
    virtual void swapBuffers() {}
    virtual bool setSwapInterval(int /*interval*/) { return false; }
    virtual void drawableSize(int* width, int* height) const {
        *width = 0;
        *height = 0;
    }
};

// Contexts with no window to show: EGL surfaceless on Linux (no X server needed), a hidden SDL window on
// Windows. Leaves the new immediate context current on the calling thread.
std::unique_ptr<GlContexts> createHeadlessContexts(std::string* error);

// A GL 4.5 core context for an SDL window made with SDL_WINDOW_OPENGL. Leaves it current on the calling thread.
std::unique_ptr<GlContexts> createWindowContexts(SDL_Window* window, std::string* error);

}  // namespace gpu
