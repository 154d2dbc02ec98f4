#include "post/post_bloom.h"

void PostBloom::setup(gpu::Device* newDevice, std::uint32_t newWidth, std::uint32_t newHeight) {
    setupEffect(newDevice, newWidth, newHeight, passes, kPassKeys, targets);
}

void PostBloom::render(gpu::DeviceContext* newContext, gpu::ShaderResourceView* input,
                       gpu::RenderTargetView* output) {
    PostProcessorBase::render(newContext, input, output);
    bindParameters();
    runPass(passes[0].pixelShader(), {input}, targets[0].renderTargetView.get());
    runPass(passes[1].pixelShader(), {targets[0].shaderResourceView.get()}, targets[1].renderTargetView.get());
    runPass(passes[2].pixelShader(), {targets[1].shaderResourceView.get(), input}, output);
}
