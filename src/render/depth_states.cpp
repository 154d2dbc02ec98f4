#include "render/depth_states.h"

bool DepthStencilStates::create(gpu::Device* device) {
    depthLessState = nullptr;
    depthAlwaysState = nullptr;
    if (!device) return false;
    // D3D11's defaults (descs.h) but for the stencil depth-fail operations, which stay unused with stencil off.
    description = gpu::DepthStencilDesc{};
    description.FrontFace.StencilDepthFailOp = gpu::StencilOp::Incr;
    description.BackFace.StencilDepthFailOp = gpu::StencilOp::Decr;
    device->CreateDepthStencilState(description, &depthLessState);
    description.DepthFunc = gpu::ComparisonFunc::Always;
    device->CreateDepthStencilState(description, &depthAlwaysState);
    return depthLessState && depthAlwaysState;
}
