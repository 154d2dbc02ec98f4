#ifndef _WIN32
// EGL: the Linux way to a context without a window. Windows has WGL behind SDL (hidden_window_contexts.cpp).

#include "platform/gpu/egl_shared_context.h"
#include "platform/gpu/gl_contexts.h"

#include <cstring>

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

// A display on a GPU of the machine's own (EGL_EXT_platform_device), for render machines with a GPU and no X
// server: the surfaceless platform finds only Mesa's drivers, and a vendor driver may offer no other way in.
// Software devices are passed over, so where no GPU is present the surfaceless display below is taken.
EGLDisplay hardwareDeviceDisplay() {
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_device_enumeration") ||
        !epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_EXT_platform_device"))
        return EGL_NO_DISPLAY;
    constexpr EGLint kMostDevices = 16;
    EGLDeviceEXT devices[kMostDevices];
    EGLint count = 0;
    if (!eglQueryDevicesEXT(kMostDevices, devices, &count)) return EGL_NO_DISPLAY;
    for (EGLint i = 0; i < count; ++i) {
        const char* extensions = eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS);
        if (extensions && std::strstr(extensions, "EGL_MESA_device_software")) continue;
        EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        EGLint major = 0, minor = 0;
        if (display != EGL_NO_DISPLAY && eglInitialize(display, &major, &minor)) return display;
    }
    return EGL_NO_DISPLAY;
}

EGLDisplay surfacelessDisplay() {
    if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) return EGL_NO_DISPLAY;
    // The EGL 1.5 entry point aborts inside epoxy before a display exists; the extension one does not.
    EGLDisplay display = eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) return EGL_NO_DISPLAY;
    return display;
}

// The two shared contexts on `display`, the immediate one current; null with `error` set when it has none.
std::unique_ptr<GlContexts> contextsOn(EGLDisplay display, std::string* error) {
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

}  // namespace

std::unique_ptr<GlContexts> createHeadlessContexts(std::string* error) {
    // A GPU device whose driver lacks a 4.5 core context gives way to the surfaceless display.
    if (EGLDisplay device = hardwareDeviceDisplay(); device != EGL_NO_DISPLAY) {
        if (std::unique_ptr<GlContexts> contexts = contextsOn(device, error)) return contexts;
        eglTerminate(device);
        error->clear();
    }
    EGLDisplay display = surfacelessDisplay();
    if (display == EGL_NO_DISPLAY) {
        *error = "EGL offers neither a GPU device nor a surfaceless display";
        return nullptr;
    }
    return contextsOn(display, error);
}

}  // namespace gpu

#endif  // !_WIN32
