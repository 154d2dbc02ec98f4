#ifndef _WIN32
// EGL: the Linux way to a context without a window. Windows has WGL behind SDL (hidden_window_contexts.cpp).

#include "platform/gpu/egl_shared_context.h"

namespace gpu {
namespace {

EGLConfig chooseConfig(EGLDisplay display) {
    if (epoxy_has_egl_extension(display, "EGL_KHR_no_config_context")) return EGL_NO_CONFIG_KHR;
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count) || count < 1) return nullptr;
    return config;
}

}  // namespace

EGLContext createEglContext(EGLDisplay display, EGLContext share) {
    if (!eglBindAPI(EGL_OPENGL_API)) return EGL_NO_CONTEXT;
    EGLConfig config = chooseConfig(display);
    const EGLint attributes[] = {
        EGL_CONTEXT_MAJOR_VERSION,           4,       EGL_CONTEXT_MINOR_VERSION, 5, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    return eglCreateContext(display, config, share, attributes);
}

bool makeEglContextCurrent(EGLDisplay display, EGLContext context) {
    // The bound API is per thread, and epoxy finds the context through it.
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) == EGL_TRUE;
}

}  // namespace gpu

#endif  // !_WIN32
