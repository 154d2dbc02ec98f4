#pragma once

// The whole input signature a vertex shader declares. shaderc legalizes HLSL, and legalization drops vertex
// inputs the shader never reads (the others keep their locations); D3D lists every declared input, and vertex
// buffers are laid out by that list. A second parse by glslang alone, without legalization, gives it.

#include <string>
#include <vector>

#include "platform/gpu/shader_bytecode.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"

namespace shader_compiler {

// `includes`: the files the shaderc pass read, served again from memory so both passes see the same bytes.
// False (and `inputs` untouched) when glslang cannot parse what shaderc compiled.
bool declaredVertexInputs(const std::string& path, const std::string& source, const std::vector<SourceFile>& includes,
                          const char* entryPoint, int model, const std::vector<Define>& defines,
                          std::vector<gpu::SignatureParameter>* inputs);

}  // namespace shader_compiler
