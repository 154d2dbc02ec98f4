#pragma once

// Colour correction in one pass, input to output.

#include "post/effect_parameters.h"
#include "post/post_effect.h"

class PostColorCorrect : public PostEffect<ColorCorrectParameters> {
public:
    static constexpr const char* kPassKey = "post_color_p0";

    void setup(gpu::Device* device, std::uint32_t width, std::uint32_t height);
    void render(gpu::DeviceContext* context, gpu::ShaderResourceView* input, gpu::RenderTargetView* output) override;

    ShaderProgram pass;
};
