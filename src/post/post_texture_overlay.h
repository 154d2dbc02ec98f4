#pragma once

// Lays an image over the scene in one pass; the amount says how much of it shows.

#include "post/effect_parameters.h"
#include "post/post_effect.h"

class PostTextureOverlay : public PostEffect<OverlayParameters> {
public:
    static constexpr const char* kPassKey = "post_overlay_p0";

    void setup(gpu::Device* device, std::uint32_t width, std::uint32_t height);
    void run(gpu::DeviceContext* context, gpu::ShaderResourceView* scene, gpu::ShaderResourceView* overlay,
             gpu::RenderTargetView* output);

    ShaderProgram pass;
};
