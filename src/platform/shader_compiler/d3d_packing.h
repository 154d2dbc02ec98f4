#pragma once

// Constant-buffer offsets by D3D's packing rules, applied to the SPIR-V before translation. glslang's HLSL
// offsets pad arrays to whole registers, so a value after an array would land one register late; packoffset
// placements are kept where the author put them, and the variables without one follow the last placed one.

#include <string>
#include <vector>

#include <spirv_cross/spirv_cross.hpp>

#include "platform/shader_compiler/packoffset_placements.h"
#include "platform/shader_compiler/shader_reflection.h"

namespace shader_compiler {

// Rewrites the Offset of every member of the block type (and of structs inside it) and the ArrayStride of its
// arrays, and fills `layout`'s variables and size. False with `error` ("file:line: error: ...") when a placement
// breaks D3D's rules: a register crossed, an aggregate not at a register's start, two variables overlapping.
bool applyD3DPacking(spirv_cross::Compiler& compiler, spirv_cross::TypeID blockType,
                     const std::vector<Placement>& placements, ConstantBufferLayout* layout, std::string* error);

// Whether GLSL's std140 block with explicit offsets can state the block's offsets: every member aligned as std140
// wants and past the whole std140 extent of the one before (an array's or matrix's last register included).
bool std140CanState(const spirv_cross::Compiler& compiler, spirv_cross::TypeID structType);

}  // namespace shader_compiler
