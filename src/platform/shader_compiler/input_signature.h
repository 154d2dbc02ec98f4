#pragma once

// What D3D reflection reads from a shader's semantics: vertex inputs by declared width and component type.

#include <cstdint>
#include <string>
#include <vector>

#include <spirv_cross/spirv_cross.hpp>

#include "platform/gpu/shader_bytecode.h"

namespace shader_compiler {

// "TEXCOORD12" -> ("TEXCOORD", 12); no trailing digits -> index 0.
void splitSemantic(const std::string& semantic, std::string* name, std::uint32_t* index);

// The semantic of an interface variable as glslang wrote it (hlsl_functionality1), upper case.
std::string semanticOf(const spirv_cross::Compiler& compiler, spirv_cross::ID id);

// Vertex inputs that are not system values, in declaration order (the order of the auto-mapped locations).
// Throws std::runtime_error for an input without a semantic.
std::vector<gpu::SignatureParameter> vertexInputSignature(const spirv_cross::Compiler& compiler);

}  // namespace shader_compiler
