#pragma once

// D3D enumerations to GL. Each answers 0 for a value outside the D3D range, which callers treat as bad input.

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"

namespace gpu {

GLenum glComparison(ComparisonFunc func);
GLenum glStencilOp(StencilOp op);
GLenum glBlendFactor(Blend blend);
GLenum glBlendEquation(BlendOp op);
GLenum glAddressMode(TextureAddressMode mode);

bool validDepthStencilDesc(const DepthStencilDesc& desc);
bool validBlendDesc(const BlendDesc& desc);
bool validRasterizerDesc(const RasterizerDesc& desc);

}  // namespace gpu
