#include "platform/gpu/device_caps.h"

#include <epoxy/gl.h>

#include "platform/gpu/gl_errors.h"

namespace gpu {
namespace {

std::string glString(GLenum name) {
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

std::int32_t glInteger(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

}  // namespace

bool readDeviceCaps(DeviceCaps* caps) {
    *caps = DeviceCaps{};
    caps->glMajor = glInteger(GL_MAJOR_VERSION);
    caps->glMinor = glInteger(GL_MINOR_VERSION);
    if (!caps->atLeast(4, 5)) return false;
    caps->glVersion = glString(GL_VERSION);
    caps->renderer = glString(GL_RENDERER);
    caps->llvmpipe = caps->renderer.find("llvmpipe") != std::string::npos;
    caps->maxSamples = glInteger(GL_MAX_SAMPLES);
    caps->maxTextureSize = glInteger(GL_MAX_TEXTURE_SIZE);
    caps->maxArrayLayers = glInteger(GL_MAX_ARRAY_TEXTURE_LAYERS);
    caps->maxVaryingVectors = glInteger(GL_MAX_VARYING_VECTORS);
    if (caps->atLeast(4, 6) || epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic")) {
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &caps->maxAnisotropy);
    }
    glGetQueryiv(GL_TIMESTAMP, GL_QUERY_COUNTER_BITS, &caps->timestampBits);
    // A limit this driver does not know leaves its default and must not fail the device.
    clearGlErrors();
    caps->workarounds = {"shaders of one bytecode share one GL program: drivers compile a program again at its "
                         "first draw"};
    return true;
}

std::string DeviceCaps::describe() const {
    std::string text = "gpu: OpenGL " + std::to_string(glMajor) + "." + std::to_string(glMinor) + " (" + glVersion +
                       "), renderer " + renderer + (llvmpipe ? " (llvmpipe)" : "") + "\n";
    text += "gpu: max samples " + std::to_string(maxSamples) + ", texture size " + std::to_string(maxTextureSize) +
            ", array layers " + std::to_string(maxArrayLayers) + ", varying vectors " +
            std::to_string(maxVaryingVectors) + ", anisotropy " + std::to_string(static_cast<int>(maxAnisotropy)) + ", timestamp bits " +
            std::to_string(timestampBits) + "\n";
    for (const std::string& w : workarounds) text += "gpu: workaround: " + w + "\n";
    return text;
}

}  // namespace gpu
