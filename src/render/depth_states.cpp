#include "render/depth_states.h"

bool DepthStencilStates::create(gpu::Device* device) {
    depthLessState = nullptr;
    depthAlwaysState = nullptr;
    if (!device) return false;
    description.DepthEnable = true;
    description.DepthWriteMask = gpu::DepthWriteMask::All;
    description.DepthFunc = gpu::ComparisonFunc::Less;
    description.StencilEnable = false;
    description.StencilReadMask = 0xFF;
    description.StencilWriteMask = 0xFF;
    description.FrontFace = {gpu::StencilOp::Keep, gpu::StencilOp::Incr, gpu::StencilOp::Keep,
                             gpu::ComparisonFunc::Always};
    description.BackFace = {gpu::StencilOp::Keep, gpu::StencilOp::Decr, gpu::StencilOp::Keep,
                            gpu::ComparisonFunc::Always};
    device->CreateDepthStencilState(description, &depthLessState);
    description.DepthFunc = gpu::ComparisonFunc::Always;
    device->CreateDepthStencilState(description, &depthAlwaysState);
    return depthLessState && depthAlwaysState;
}
