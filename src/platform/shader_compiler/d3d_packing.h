#pragma once

// Constant-buffer offsets by D3D's packing rules. glslang's HLSL offsets pad arrays to whole registers, so a value
// after an array lands one register late; these rules are applied to the SPIR-V before translation.

#include <spirv_cross/spirv_cross.hpp>

namespace shader_compiler {

// Rewrites the Offset of every member of the block type (and of structs inside it) and the ArrayStride of its
// arrays. packoffset placements are not kept.
void applyD3DPacking(spirv_cross::Compiler& compiler, spirv_cross::TypeID blockType);

}  // namespace shader_compiler
