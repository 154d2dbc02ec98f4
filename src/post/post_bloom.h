#pragma once

// Bloom in three passes: a bright blur through two intermediate targets, then blended with the input.

#include <array>

#include "post/effect_parameters.h"
#include "post/post_effect.h"

class PostBloom : public PostEffect<BloomParameters> {
public:
    static constexpr const char* kPassKeys[3] = {"post_blur_p0", "post_blur_p1", "post_blur_p2"};

    void setup(gpu::Device* device, std::uint32_t width, std::uint32_t height);
    void render(gpu::DeviceContext* context, gpu::ShaderResourceView* input, gpu::RenderTargetView* output) override;

    std::array<ShaderProgram, 3> passes;
    std::array<RenderTarget, 2> targets;  // B0, B1
};
