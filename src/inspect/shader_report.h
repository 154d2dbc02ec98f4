#pragma once

// One shader compiled as the player compiles it, and what D3D's reflection would say of it: for a show maker
// whose value arrives in the wrong place. The writers are beside the show report's (report_json, report_text).

#include <string>
#include <vector>

#include "platform/gpu/shader_bytecode.h"
#include "platform/shader_compiler/hlsl_to_spirv.h"
#include "platform/shader_compiler/shader_reflection.h"

struct ShaderReport {
    std::string path, entry, profile;
    std::vector<shader_compiler::Define> defines;
    bool compiled = false;
    std::string messages;  // the compiler's, as the player would log them
    shader_compiler::ShaderReflection reflection;
    std::vector<gpu::SignatureParameter> inputs;  // vertex shaders
};

// "float", "int", "uint" or "unknown": how both writers name an input's component type.
const char* componentTypeName(gpu::RegisterComponentType type);

ShaderReport inspectShader(const std::string& path, const std::string& entry, const std::string& profile,
                           const std::vector<shader_compiler::Define>& defines);
