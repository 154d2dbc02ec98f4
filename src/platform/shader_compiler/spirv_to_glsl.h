#pragma once

// SPIR-V to the GLSL 4.50 and reflection gpu::Device builds shaders from (the D3DReflect half of the compiler).
// Blocks and combined samplers get stage-prefixed names ("VS_b0", "PS_t0_s1"); varyings get locations from the
// process-wide semantic table; vertex inputs keep the locations glslang gave them in declaration order.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/shader_bytecode.h"
#include "platform/shader_compiler/packoffset_placements.h"
#include "platform/shader_compiler/shader_reflection.h"

namespace shader_compiler {

// `placements`: the source's packoffset placements. `reflection` (may be null) receives the constant buffers'
// D3D layouts and the bound resources. False with `error` set when the module cannot be expressed in GLSL for
// this device: "file:line: error: ..." where the source has a place for it, "error: ..." otherwise.
bool spirvToGlsl(const std::vector<std::uint32_t>& words, gpu::ShaderStage stage,
                 const std::vector<Placement>& placements, gpu::ShaderBytecode* code, ShaderReflection* reflection,
                 std::string* error);

}  // namespace shader_compiler
