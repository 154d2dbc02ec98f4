#include "post/post_depth_of_field.h"

void PostDepthOfField::setup(gpu::Device* newDevice, std::uint32_t newWidth, std::uint32_t newHeight) {
    setupEffect(newDevice, newWidth, newHeight, passes, kPassKeys, targets);
}

void PostDepthOfField::run(gpu::DeviceContext* newContext, gpu::ShaderResourceView* colour,
                           gpu::ShaderResourceView* depth, gpu::RenderTargetView* output) {
    render(newContext, nullptr, nullptr);
    bindParameters();
    gpu::ShaderResourceView* const d1 = targets[1].shaderResourceView.get();
    gpu::ShaderResourceView* const d0 = targets[0].shaderResourceView.get();
    gpu::RenderTargetView* const toD0 = targets[0].renderTargetView.get();
    gpu::RenderTargetView* const toD1 = targets[1].renderTargetView.get();
    // Passes 1, 3 and 5 all read D1 as pass 0 left it; each pair's result goes to D3, D2, then D1 itself,
    // which pass 6 may overwrite only because pass 5 has read it.
    runPass(passes[0].pixelShader(), {colour, depth}, toD1);
    runPass(passes[1].pixelShader(), {d1}, toD0);
    runPass(passes[2].pixelShader(), {d0}, targets[3].renderTargetView.get());
    runPass(passes[3].pixelShader(), {d1}, toD0);
    runPass(passes[4].pixelShader(), {d0}, targets[2].renderTargetView.get());
    runPass(passes[5].pixelShader(), {d1}, toD0);
    runPass(passes[6].pixelShader(), {d0}, toD1);
    runPass(passes[7].pixelShader(),
            {d1, targets[2].shaderResourceView.get(), targets[3].shaderResourceView.get()}, output);
}
