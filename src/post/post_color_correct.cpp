#include "post/post_color_correct.h"

void PostColorCorrect::setup(gpu::Device* newDevice, std::uint32_t newWidth, std::uint32_t newHeight) {
    setupEffect(newDevice, newWidth, newHeight, std::span(&pass, 1), std::span(&kPassKey, 1));
}

void PostColorCorrect::render(gpu::DeviceContext* newContext, gpu::ShaderResourceView* input,
                  gpu::RenderTargetView* output) {
    PostProcessorBase::render(newContext, input, output);
    bindParameters();
    runPass(pass.pixelShader(), {input}, output);
}
