#include "render/frame_targets.h"

void beginFrameTargets(GraphicsContext& graphics, RenderTarget& colourTarget0, DepthBuffer& frameDepth,
                       gpu::DepthStencilState* depthLess, const float clearColour[4]) {
    gpu::DeviceContext* context = graphics.immediateContext;
    if (!context) return;
    context->RSSetState(nullptr);
    context->OMSetDepthStencilState(depthLess, 0);
    context->ClearRenderTargetView(graphics.backBufferView.get(), clearColour);
    context->ClearRenderTargetView(colourTarget0.renderTargetView.get(), clearColour);
    context->ClearDepthStencilView(frameDepth.depthStencilView.get(), gpu::CLEAR_DEPTH, 1.0f, 0);
    gpu::RenderTargetView* target = colourTarget0.renderTargetView.get();
    context->OMSetRenderTargets(1, &target, frameDepth.depthStencilView.get());
}

gpu::Viewport fullViewport(std::uint32_t width, std::uint32_t height) {
    return gpu::Viewport{0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
}
