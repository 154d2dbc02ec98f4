#pragma once

// D3D enumerations to GL. Descriptions are validated first; the mappings then only see D3D values.

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
