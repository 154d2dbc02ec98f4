#pragma once

// What a device knows about its GL driver, read once when the device is created.
//
// Facts about Mesa's llvmpipe (22.3.6, the driver under Xvfb and EGL surfaceless here) that the layer is built
// around:
//  - it compiles a program again at its first draw (80 to 110 ms cold, about 4 ms with Mesa's shader cache
//    warm), so shaders made from the same bytecode share one program object (program_cache.h);
//  - it offers 32 varying locations to every stage, where 4.5 core promises 15 (the shader compiler's varying
//    table has 32);
//  - it renders on the CPU: 14 full-screen passes of a 3-tap shader into RGBA16F take about 220 ms a frame at
//    1920x1080 and 25 ms at 640x360, and Present's copy to the window 3.5 to 6 ms at 1920x1080.

#include <cstdint>
#include <string>
#include <vector>

namespace gpu {

struct DeviceCaps {
    std::int32_t glMajor = 0, glMinor = 0;
    std::string glVersion;  // GL_VERSION
    std::string renderer;   // GL_RENDERER
    bool llvmpipe = false;  // the renderer is Mesa's llvmpipe

    // Limits the layer reads from the driver.
    std::int32_t maxSamples = 1;
    std::int32_t maxTextureSize = 0;
    std::int32_t maxArrayLayers = 0;
    std::int32_t maxVaryingVectors = 0;
    float maxAnisotropy = 1.0f;
    std::int32_t timestampBits = 0;  // of GL_TIMESTAMP queries; 0: the driver has no GPU timer

    // What the layer does on this driver beyond a plain mapping of D3D11 onto GL.
    std::vector<std::string> workarounds;

    bool atLeast(std::int32_t major, std::int32_t minor) const {
        return glMajor > major || (glMajor == major && glMinor >= minor);
    }
    // One line per field, for the debugger output.
    std::string describe() const;
};

// Reads the caps of the GL context current on the calling thread; false when it is older than 4.5.
bool readDeviceCaps(DeviceCaps* caps);

}  // namespace gpu
