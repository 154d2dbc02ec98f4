#pragma once

// The scene's two depth-stencil states: depth test "less" and "always", both writing depth, stencil off.

#include "platform/gpu/device.h"

struct DepthStencilStates {
    // Both handles null on failure; `description` is kept as last changed (depth function "always").
    bool create(gpu::Device* device);

    gpu::DepthStencilDesc description;
    gpu::Ref<gpu::DepthStencilState> depthLessState;
    gpu::Ref<gpu::DepthStencilState> depthAlwaysState;
};
