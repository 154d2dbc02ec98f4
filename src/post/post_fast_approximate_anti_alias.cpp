#include "post/post_fast_approximate_anti_alias.h"

void PostFastApproximateAntiAlias::render(gpu::DeviceContext* newContext, gpu::ShaderResourceView* input,
                                          gpu::RenderTargetView* output) {
    PostProcessorBase::render(newContext, input, output);
    bindParameters();
    runPass(pass.pixelShader(), {input}, output);
}
