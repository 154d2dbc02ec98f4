#pragma once

// A 2D depth texture, readable by shaders when asked: its storage is then the typeless format of the depth
// format's family, with a depth view in the depth format and a shader view in the readable one.

#include <cstdint>
#include <vector>

#include "platform/gpu/device.h"

class DepthBuffer {
public:
    // Failed creations leave their handles null; the answer says whether everything asked for exists.
    bool create(gpu::Device* device, std::uint32_t width, std::uint32_t height, gpu::Format depthFormat,
                bool shaderReadable, std::uint32_t sampleCount, std::uint32_t sampleQuality, std::uint32_t arraySize);

    // The storage and shader-view formats create() uses for a depth format.
    static gpu::Format typelessFormat(gpu::Format depthFormat);
    static gpu::Format readableFormat(gpu::Format depthFormat);

    gpu::Ref<gpu::Texture2D> texture;
    gpu::Ref<gpu::DepthStencilView> depthStencilView;  // element 0 of depthStencilViews
    gpu::Ref<gpu::ShaderResourceView> shaderResourceView;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t sampleCount = 0;
    gpu::Format depthFormat = gpu::Format::UNKNOWN;  // as asked for, not the storage format
    std::uint32_t arraySize = 0;
    std::vector<gpu::Ref<gpu::DepthStencilView>> depthStencilViews;
};
