#include "platform/gpu/egl_shared_context.h"
#include "platform/gpu/gl_contexts.h"

namespace gpu {
namespace {

class HeadlessContexts final : public GlContexts {
public:
    HeadlessContexts(EGLDisplay display, EGLContext immediate, EGLContext resource)
        : display_(display), immediate_(immediate), resource_(resource) {}
    ~HeadlessContexts() override {
        // The display is process-wide and may serve other devices: it is not terminated.
        if (eglGetCurrentContext() == immediate_)
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, resource_);
        eglDestroyContext(display_, immediate_);
    }

    bool bindResourceContext() override { return makeEglContextCurrent(display_, resource_); }
    void unbindResourceContext() override { eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }

private:
    EGLDisplay display_;
    EGLContext immediate_;
    EGLContext resource_;
};

}  // namespace

std::unique_ptr<GlContexts> createHeadlessContexts(std::string* error) {
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
        *error = "EGL has no surfaceless platform";
        return nullptr;
    }
    // The EGL 1.5 entry point aborts inside epoxy before a display exists; the extension one does not.
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
        *error = "cannot initialise the surfaceless EGL display";
        return nullptr;
    }
    EGLContext immediate = createEglContext(display, EGL_NO_CONTEXT);
    if (immediate == EGL_NO_CONTEXT) {
        *error = "cannot create an OpenGL 4.5 core context";
        return nullptr;
    }
    EGLContext resource = createEglContext(display, immediate);
    if (resource == EGL_NO_CONTEXT || !makeEglContextCurrent(display, immediate)) {
        if (resource != EGL_NO_CONTEXT) eglDestroyContext(display, resource);
        eglDestroyContext(display, immediate);
        *error = "cannot create or bind the shared contexts";
        return nullptr;
    }
    return std::make_unique<HeadlessContexts>(display, immediate, resource);
}

}  // namespace gpu
