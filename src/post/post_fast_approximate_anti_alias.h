#pragma once

// Anti-aliasing in one pass, input to output. Kept beside the chain but never set up or drawn: it has no pass
// program and no parameter buffer until someone gives it a setup.

#include "post/post_effect.h"

struct AntiAliasParameters {
    float amount = 0.0f;
};
static_assert(sizeof(AntiAliasParameters) == 4);

class PostFastApproximateAntiAlias : public PostEffect<AntiAliasParameters> {
public:
    void render(gpu::DeviceContext* context, gpu::ShaderResourceView* input, gpu::RenderTargetView* output) override;

    ShaderProgram pass;
};
