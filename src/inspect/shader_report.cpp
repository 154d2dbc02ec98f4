#include "inspect/shader_report.h"

#include "platform/shader_compiler/hlsl_compiler.h"

ShaderReport inspectShader(const std::string& path, const std::string& entry, const std::string& profile,
                           const std::vector<shader_compiler::Define>& defines) {
    ShaderReport report;
    report.path = path;
    report.entry = entry;
    report.profile = profile;
    report.defines = defines;
    gpu::ShaderBytecode code;
    report.compiled = !gpu::failed(shader_compiler::compileFromFile(path, entry.c_str(), profile.c_str(), defines,
                                                                   &code, &report.reflection, &report.messages));
    report.inputs = code.InputSignature;
    return report;
}

const char* componentTypeName(gpu::RegisterComponentType type) {
    switch (type) {
        case gpu::RegisterComponentType::UInt32: return "uint";
        case gpu::RegisterComponentType::SInt32: return "int";
        case gpu::RegisterComponentType::Float32: return "float";
        default: return "unknown";
    }
}
