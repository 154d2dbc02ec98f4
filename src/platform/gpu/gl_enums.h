#pragma once

// D3D enumerations to GL. The objects' own checks run first; the mappings then only see valid D3D values.

#include <epoxy/gl.h>

#include "platform/gpu/descs.h"

namespace gpu {

GLenum glComparison(ComparisonFunc func);
GLenum glStencilOp(StencilOp op);
GLenum glBlendFactor(Blend blend);
GLenum glBlendEquation(BlendOp op);
GLenum glAddressMode(TextureAddressMode mode);

}  // namespace gpu
