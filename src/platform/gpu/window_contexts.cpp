#include <SDL.h>

#ifndef _WIN32
#include "platform/gpu/egl_shared_context.h"
#endif
#include "platform/gpu/gl_contexts.h"

namespace gpu {
namespace {

// SDL picks GLX or EGL per video driver. Under EGL (offscreen driver, forced EGL) the resource context is made
// with EGL directly so it can be current without a surface: EGL forbids one surface on two threads, and SDL's
// offscreen driver ignores a context given without a window. Under GLX and WGL the window is bound on both
// threads.
class WindowContexts final : public GlContexts {
public:
    WindowContexts(SDL_Window* window, SDL_GLContext immediate) : window_(window), immediate_(immediate) {}
    ~WindowContexts() override {
#ifndef _WIN32
        if (eglResource_ != EGL_NO_CONTEXT) eglDestroyContext(eglDisplay_, eglResource_);
#endif
        if (sdlResource_) SDL_GL_DeleteContext(sdlResource_);
        if (SDL_GL_GetCurrentContext() == immediate_) SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(immediate_);
    }

    bool createResourceContext() {
#ifndef _WIN32
        EGLContext current = eglGetCurrentContext();
        if (current != EGL_NO_CONTEXT) {
            eglDisplay_ = eglGetCurrentDisplay();
            eglResource_ = createEglContext(eglDisplay_, current);
            return eglResource_ != EGL_NO_CONTEXT;
        }
#endif
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 1);
        sdlResource_ = SDL_GL_CreateContext(window_);
        SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
        return SDL_GL_MakeCurrent(window_, immediate_) == 0 && sdlResource_ != nullptr;
    }

    bool bindResourceContext() override {
#ifndef _WIN32
        if (eglResource_ != EGL_NO_CONTEXT) return makeEglContextCurrent(eglDisplay_, eglResource_);
#endif
        return SDL_GL_MakeCurrent(window_, sdlResource_) == 0;
    }
    void unbindResourceContext() override {
#ifndef _WIN32
        if (eglResource_ != EGL_NO_CONTEXT) {
            eglMakeCurrent(eglDisplay_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            return;
        }
#endif
        SDL_GL_MakeCurrent(window_, nullptr);
    }

    SDL_Window* window() const override { return window_; }
    void swapBuffers() override { SDL_GL_SwapWindow(window_); }
    bool setSwapInterval(int interval) override { return SDL_GL_SetSwapInterval(interval) == 0; }
    void drawableSize(int* width, int* height) const override { SDL_GL_GetDrawableSize(window_, width, height); }

private:
    SDL_Window* window_;
    SDL_GLContext immediate_;
    SDL_GLContext sdlResource_ = nullptr;
#ifndef _WIN32
    EGLDisplay eglDisplay_ = EGL_NO_DISPLAY;
    EGLContext eglResource_ = EGL_NO_CONTEXT;
#endif
};

}  // namespace

std::unique_ptr<GlContexts> createWindowContexts(SDL_Window* window, std::string* error) {
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL)) {
        *error = "the window was not created with SDL_WINDOW_OPENGL";
        return nullptr;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    SDL_GLContext immediate = SDL_GL_CreateContext(window);
    if (!immediate) {
        *error = std::string("cannot create an OpenGL 4.5 core context: ") + SDL_GetError();
        return nullptr;
    }
    auto contexts = std::make_unique<WindowContexts>(window, immediate);
    if (!contexts->createResourceContext()) {
        *error = std::string("cannot create the shared resource context: ") + SDL_GetError();
        return nullptr;
    }
    return contexts;
}

}  // namespace gpu
