#include "render/shader_program.h"

#include <vector>

#include "platform/process/debug_output.h"
#include "platform/shader_compiler/hlsl_compiler.h"
#include "base/wide_text.h"
#include "platform/process/system_path.h"

gpu::Format ShaderProgram::inputElementFormat(std::uint8_t mask, gpu::RegisterComponentType type) {
    using gpu::Format;
    using gpu::RegisterComponentType;
    int width = 0;
    if (mask == 1) {
        width = 1;
    } else if (mask >= 2 && mask <= 3) {
        width = 2;
    } else if (mask >= 4 && mask <= 7) {
        width = 3;
    } else if (mask >= 8 && mask <= 15) {
        width = 4;
    }
    static constexpr Format kUint[] = {Format::R32_UINT, Format::R32G32_UINT, Format::R32G32B32_UINT,
                                       Format::R32G32B32A32_UINT};
    static constexpr Format kSint[] = {Format::R32_SINT, Format::R32G32_SINT, Format::R32G32B32_SINT,
                                       Format::R32G32B32A32_SINT};
    static constexpr Format kFloat[] = {Format::R32_FLOAT, Format::R32G32_FLOAT, Format::R32G32B32_FLOAT,
                                        Format::R32G32B32A32_FLOAT};
    if (width == 0) return Format::UNKNOWN;
    switch (type) {
        case RegisterComponentType::UInt32: return kUint[width - 1];
        case RegisterComponentType::SInt32: return kSint[width - 1];
        case RegisterComponentType::Float32: return kFloat[width - 1];
        default: return Format::UNKNOWN;
    }
}

namespace {

// Shader model 5 from feature level 11_0 up, else 4.
const char* profileFor(gpu::Device* device, bool vertex) {
    const bool model5 = device && device->GetFeatureLevel() >= gpu::FeatureLevel::Level_11_0;
    if (vertex) return model5 ? "vs_5_0" : "vs_4_0";
    return model5 ? "ps_5_0" : "ps_4_0";
}

}  // namespace

gpu::Result ShaderProgram::compileStage(const char16_t* path, const char* name, std::size_t slot,
                                        const char* profile) {
    sourcePath = path ? std::u16string(path) : std::u16string();
    stageNames[slot] = name ? name : "";
    if (slot < stagePaths.size()) stagePaths[slot] = sourcePath;

    messages.clear();
    const gpu::Result result = shader_compiler::compileFromFile(platform::systemPath(sourcePath), "main", profile, &code,
                                                                &messages);
    // Warnings are reported as well as errors, also when the compile succeeds.
    if (!messages.empty()) platform::debugOutput(messages.c_str());
    return result;
}

gpu::Result ShaderProgram::loadVertexShader(const char16_t* path, const char* name) {
    const gpu::Result result = compileStage(path, name, 0, profileFor(device, true));
    if (result != gpu::Result::Ok || !device) return result;

    std::vector<gpu::InputElementDesc> elements;
    elements.reserve(code->InputSignature.size());
    for (const gpu::SignatureParameter& parameter : code->InputSignature) {
        gpu::InputElementDesc element;
        element.SemanticName = parameter.SemanticName.c_str();
        element.SemanticIndex = parameter.SemanticIndex;
        element.Format = inputElementFormat(parameter.Mask, parameter.ComponentType);
        elements.push_back(element);
    }
    device->CreateInputLayout(elements.data(), static_cast<std::uint32_t>(elements.size()), *code, &layout);
    device->CreateVertexShader(*code, &vertex);
    return result;
}

gpu::Result ShaderProgram::loadPixelShader(const char16_t* path, const char* name) {
    const gpu::Result result = compileStage(path, name, 1, profileFor(device, false));
    if (result != gpu::Result::Ok || !device) return result;
    device->CreatePixelShader(*code, &pixel);
    return result;
}
