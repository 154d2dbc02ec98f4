#pragma once

// Colour correction in one pass, input to output.

#include "post/effect_parameters.h"
#include "post/post_processor_base.h"

class PostColorCorrect : public PostProcessorBase {
public:
    static constexpr const char* kPassKey = "post_color_p0";

    void setup(gpu::Device* device, std::uint32_t width, std::uint32_t height);
    void setParameters(const ColorCorrectParameters& block) { parameters.data = block; }
    void render(gpu::DeviceContext* context, gpu::ShaderResourceView* input, gpu::RenderTargetView* output) override;

    ShaderProgram pass;
    ConstantBuffer<ColorCorrectParameters> parameters;
};
