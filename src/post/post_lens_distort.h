#pragma once

// Lens distortion in one pass, input to output.

#include "post/effect_parameters.h"
#include "post/post_effect.h"

class PostLensDistort : public PostEffect<LensDistortParameters> {
public:
    static constexpr const char* kPassKey = "post_lens_p0";

    void setup(gpu::Device* device, std::uint32_t width, std::uint32_t height);
    void render(gpu::DeviceContext* context, gpu::ShaderResourceView* input, gpu::RenderTargetView* output) override;

    ShaderProgram pass;
};
