#pragma once

// SPIR-V to the GLSL 4.50 and reflection gpu::Device builds shaders from (the D3DReflect half of the compiler).
// Blocks and combined samplers get stage-prefixed names ("VS_b0", "PS_t0_s1"); varyings get locations from the
// process-wide semantic table; vertex inputs keep the locations glslang gave them in declaration order.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gpu/shader_bytecode.h"

namespace shader_compiler {

// False with `error` set when the module cannot be expressed in GLSL for this device.
bool spirvToGlsl(const std::vector<std::uint32_t>& words, gpu::ShaderStage stage, gpu::ShaderBytecode* code,
                 std::string* error);

}  // namespace shader_compiler
