#include "post/post_color_correct.h"

void PostColorCorrect::setup(gpu::Device* newDevice, std::uint32_t newWidth, std::uint32_t newHeight) {
    initialize(newDevice);
    width = newWidth;
    height = newHeight;
    parameters.create(device);
    pass = loadPassProgram(device, kPassKey);
}

void PostColorCorrect::render(gpu::DeviceContext* newContext, gpu::ShaderResourceView* input,
                  gpu::RenderTargetView* output) {
    PostProcessorBase::render(newContext, input, output);
    bindParameters(parameters);
    runPass(pass.pixelShader(), {input}, output);
}
