#include "post/post_texture_overlay.h"

void PostTextureOverlay::setup(gpu::Device* newDevice, std::uint32_t newWidth, std::uint32_t newHeight) {
    setupEffect(newDevice, newWidth, newHeight, std::span(&pass, 1), std::span(&kPassKey, 1));
}

void PostTextureOverlay::run(gpu::DeviceContext* newContext, gpu::ShaderResourceView* scene,
                             gpu::ShaderResourceView* overlay, gpu::RenderTargetView* output) {
    render(newContext, nullptr, nullptr);
    bindParameters();
    runPass(pass.pixelShader(), {scene, overlay}, output);
}
