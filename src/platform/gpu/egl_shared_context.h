#pragma once

#ifndef _WIN32

#include <epoxy/egl.h>

namespace gpu {

// A GL 4.5 core context sharing objects with `share` (or none), for surfaceless use. EGL_NO_CONTEXT on failure.
EGLContext createEglContext(EGLDisplay display, EGLContext share);

// Makes `context` current without a surface on the calling thread.
bool makeEglContextCurrent(EGLDisplay display, EGLContext context);

}  // namespace gpu

#endif  // !_WIN32
