#pragma once

// A 2D colour texture that can be drawn into and sampled, with one render-target view per array slice.

#include <cstdint>
#include <vector>

#include "platform/gpu/device.h"

class RenderTarget {
public:
    // Failed creations leave their handles null; the answer says whether the texture and every asked-for view
    // exist (callers may ignore it). The generate-mips flag reaches the texture only with more than one mip.
    bool create(gpu::Device* device, std::uint32_t width, std::uint32_t height, gpu::Format format,
                std::uint32_t mipLevels, std::uint32_t sampleCount, std::uint32_t sampleQuality, bool generateMips,
                bool unorderedAccess, std::uint32_t arraySize);

    gpu::Ref<gpu::Texture2D> texture;
    gpu::Ref<gpu::RenderTargetView> renderTargetView;  // element 0 of renderTargetViews
    gpu::Ref<gpu::ShaderResourceView> shaderResourceView;
    gpu::Ref<gpu::UnorderedAccessView> unorderedAccessView;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t mipLevels = 0;
    std::uint32_t sampleCount = 0;
    gpu::Format format = gpu::Format::UNKNOWN;
    bool generateMips = false;
    std::uint32_t arraySize = 0;
    std::vector<gpu::Ref<gpu::RenderTargetView>> renderTargetViews;
};
