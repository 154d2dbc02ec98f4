#pragma once

// Depth of field in eight passes over the scene colour and depth, with four intermediate targets.

#include <array>

#include "post/effect_parameters.h"
#include "post/post_effect.h"

class PostDepthOfField : public PostEffect<DepthOfFieldParameters> {
public:
    static constexpr const char* kPassKeys[8] = {"post_dof_p0", "post_dof_p1", "post_dof_p2", "post_dof_p3",
                                                 "post_dof_p4", "post_dof_p5", "post_dof_p6", "post_dof_p7"};

    void setup(gpu::Device* device, std::uint32_t width, std::uint32_t height);
    void run(gpu::DeviceContext* context, gpu::ShaderResourceView* colour, gpu::ShaderResourceView* depth,
             gpu::RenderTargetView* output);

    std::array<ShaderProgram, 8> passes;
    std::array<RenderTarget, 4> targets;  // D0 to D3
};
